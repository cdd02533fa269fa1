#include "cConnectionDialogsQt.h"

#include "frmChooseConnection.h"
#include "frmSQLLogon.h"
#include "ui_frmSQLLogon.h"

qint16 cConnectionDialogsQt::fncChooseConnection(const QString& strSQLScriptFileName)
{
    frmChooseConnection frm;
    frm.strSQLScriptFileName = strSQLScriptFileName;
    frm.exec();
    return frm.intReturnValue;
}

cConnectionDialogs::cLogon cConnectionDialogsQt::fncSQLLogon(
    const QString& strConnection, bool blnNewDB)
{
    frmSQLLogon frm;
    frm.strConnection = strConnection;
    frm.blnNewDB = blnNewDB;
    frm.exec();
    return { frm.strConnection, frm.ui().txtDatabase->text() };
}
