#pragma once

#include <QString>
#include <memory>

// How the database layer asks the user where the database lives. The real dialogs
// (frmChooseConnection, frmSQLLogon in hvdbdialogs) implement it; tests answer it directly.
class cConnectionDialogs
{
public:
    virtual ~cConnectionDialogs() = default;

    // frmChooseConnection shown modally: 1 new local database, 2 new server database,
    // 3 existing server database, 0 closed without OK.
    virtual qint16 fncChooseConnection(const QString& strSQLScriptFileName) = 0;

    struct cLogon
    {
        QString strConnection; // empty after Cancel
        QString strDatabase; // the text of txtDatabase
    };
    // frmSQLLogon shown modally. With blnNewDB the string has no catalog and Cancel ends the
    // program (subEndProgram).
    virtual cLogon fncSQLLogon(const QString& strConnection, bool blnNewDB) = 0;
};

// The dialogs fncGetConnection and fncCreateSQLDB use; without any, asking throws cHVError.
void subSetConnectionDialogs(std::shared_ptr<cConnectionDialogs> dialogs);
cConnectionDialogs* fncConnectionDialogs();
