#include "cCommand.h"

#include <cHVError.h>

cCommand::cCommand(ConnectionPtr connection)
    : m_connection(std::move(connection))
{
}

int cCommand::Execute(const QVariantList& params)
{
    if (!m_connection)
        throw cHVError(3709, QStringLiteral("cCommand"),
            QStringLiteral("The connection cannot be used to perform this operation. It is either "
                           "closed or invalid "
                           "in this context."));
    return m_connection->Execute(CommandText, params);
}
