#pragma once

#include "cSheetModel.h"

#include <QUndoCommand>

// One user change of a block of cells as undo and redo see it: the block's values before and
// after the change. The change itself is made by the caller between construction and Finish.
class cSheetUndoCommand : public QUndoCommand
{
public:
    cSheetUndoCommand(cSheetModel* model, const cSheetRange& range, const QString& strText);

    // Takes the values after the change; the first redo (QUndoStack::push) then has nothing to do.
    void Finish();
    cSheetRange Range() const { return m_before.range; }
    void RestoreBefore() { m_model->PutBlock(m_before); }

    void undo() override;
    void redo() override;

private:
    cSheetModel* m_model;
    cSheetModel::cBlock m_before;
    cSheetModel::cBlock m_after;
    bool m_blnSkipRedo = false;
};
