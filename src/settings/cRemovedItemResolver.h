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

    // Asks about strValue; colChoices are the values the reports may move to. Returns one of
    // the decisions above; for intMoveReports strMoveChoice receives the chosen value.
    virtual qint32 fncResolve(const QString& strValue, const QString& strConflict,
        const QStringList& colChoices, QString& strMoveChoice)
        = 0;
    // The same, told how many time reports the value has; the save asks through this one, and a
    // resolver that shows the number overrides it.
    virtual qint32 fncResolveWithReports(const QString& strValue, qint32 lngReportCount,
        const QString& strConflict, const QStringList& colChoices, QString& strMoveChoice)
    {
        Q_UNUSED(lngReportCount);
        return fncResolve(strValue, strConflict, colChoices, strMoveChoice);
    }
};

// The resolver in use: the one installed, else the removed-item dialog.
cRemovedItemResolver& fncRemovedItemResolver();
// Installs a resolver (not owned); nullptr restores the dialog.
void subSetRemovedItemResolver(cRemovedItemResolver* resolver);
