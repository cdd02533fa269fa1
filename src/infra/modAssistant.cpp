#include "modAssistant.h"

#include "cMessageBox.h"
#include "modErrorHandling.h"

qint32 fncAssistantMessage(const QString& strMessage)
{
    cMessageBox::Show(
        strMessage, cMessageBox::Buttons::Ok, cMessageBox::Icon::Information, strProgramTitle);
    return intAnswerOk;
}

qint32 fncAssistantQuestion(const QString& strMessage)
{
    const auto answer = cMessageBox::Show(
        strMessage, cMessageBox::Buttons::YesNo, cMessageBox::Icon::Question, strProgramTitle);
    return answer == cMessageBox::Answer::Yes ? intAnswerYes : intAnswerNo;
}
