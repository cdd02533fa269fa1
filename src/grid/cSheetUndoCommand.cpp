#include "cSheetUndoCommand.h"

cSheetUndoCommand::cSheetUndoCommand(
    cSheetModel* model, const cSheetRange& range, const QString& strText)
    : QUndoCommand(strText)
    , m_model(model)
    , m_before(model->fncBlock(range))
{
}

void cSheetUndoCommand::Finish()
{
    m_after = m_model->fncBlock(m_before.range);
    m_blnSkipRedo = true;
}

void cSheetUndoCommand::undo()
{
    m_model->PutBlock(m_before);
}

void cSheetUndoCommand::redo()
{
    if (m_blnSkipRedo) {
        m_blnSkipRedo = false;
        return;
    }
    m_model->PutBlock(m_after);
}
