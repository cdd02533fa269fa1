#pragma once

#include <QValidator>

// Cleans what is typed or pasted into a line edit before the line edit shows it: the
// characters an XML file cannot carry go, line breaks and tabs become spaces
// (fncCleanEntryText). Every text is acceptable; what a value must be is checked where it is
// committed.
class cEntryValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;
    State validate(QString& strInput, int& intPos) const override;
};
