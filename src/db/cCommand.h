#pragma once

#include "cConnection.h"

#include <QString>
#include <QVariantList>

// A text command bound to a connection (ADO's Command with CommandType adCmdText). Values
// travel as bound parameters: write "?" in CommandText and pass them to Execute.
class cCommand
{
public:
    explicit cCommand(ConnectionPtr connection);

    QString CommandText;

    // Runs CommandText (translated to the engine's dialect); returns the rows affected.
    int Execute(const QVariantList& params = {});
    const ConnectionPtr& ActiveConnection() const { return m_connection; }

private:
    ConnectionPtr m_connection;
};
