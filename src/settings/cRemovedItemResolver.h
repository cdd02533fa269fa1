#pragma once

#include <QString>
#include <QStringList>

// How the save of the common settings asks what happens to the time reports of a value that
// was removed from a list. The program answers through the removed-item dialog; tests install
// their own answer.
class cRemovedItemResolver
{
public:
    // The decisions, as the dialog's intReturnValue holds them.
    static constexpr qint32 intRemoveReports = 1;
    static constexpr qint32 intMoveReports = 2;
    static constexpr qint32 intCancelled = 3;

    virtual ~cRemovedItemResolver() = default;

    // Asks about strValue, which lngReportCount time reports use; colChoices are the values
    // the reports may move to. Returns one of the decisions above; for intMoveReports
    // strMoveChoice receives the chosen value.
    virtual qint32 fncResolve(const QString& strValue, const QString& strConflict,
        qint32 lngReportCount, const QStringList& colChoices, QString& strMoveChoice)
        = 0;
};

// The resolver in use: the one installed, else the removed-item dialog.
cRemovedItemResolver& fncRemovedItemResolver();
// Installs a resolver (not owned); nullptr restores the dialog.
void subSetRemovedItemResolver(cRemovedItemResolver* resolver);
