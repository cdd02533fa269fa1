#pragma once

#include "cConnectionDialogs.h"

// The connection questions answered by the real dialogs frmChooseConnection and frmSQLLogon.
class cConnectionDialogsQt : public cConnectionDialogs
{
public:
    qint16 fncChooseConnection(const QString& strSQLScriptFileName) override;
    cLogon fncSQLLogon(const QString& strConnection, bool blnNewDB) override;
};
