#include "cMessageBox.h"

#include "modErrorHandling.h"

#include <QList>
#include <QQueue>
#include <cstdio>

namespace {
struct State
{
    cMessageBox::Presenter presenter;
    QQueue<cMessageBox::Answer> answers;
    QList<cMessageBox::Request> history;
};

State& state()
{
    static State s;
    return s;
}

cMessageBox::Answer fallbackAnswer(cMessageBox::Buttons buttons)
{
    switch (buttons) {
    case cMessageBox::Buttons::Ok:
        return cMessageBox::Answer::Ok;
    case cMessageBox::Buttons::OkCancel:
    case cMessageBox::Buttons::YesNoCancel:
        return cMessageBox::Answer::Cancel;
    case cMessageBox::Buttons::YesNo:
        return cMessageBox::Answer::No;
    }
    return cMessageBox::Answer::Cancel;
}
} // namespace

cMessageBox::Answer cMessageBox::Show(
    const QString& strText, Buttons buttons, Icon icon, const QString& strTitle)
{
    Request request { strTitle.isEmpty() ? strProgramTitle : strTitle, strText, buttons, icon };
    State& s = state();
    s.history.append(request);
    if (!s.answers.isEmpty())
        return s.answers.dequeue();
    if (s.presenter)
        return s.presenter(request);
    // No window system: say it on stderr and take the cautious answer.
    std::fprintf(stderr, "%s: %s\n", qPrintable(request.strTitle), qPrintable(request.strText));
    return fallbackAnswer(buttons);
}

void cMessageBox::setPresenter(Presenter presenter)
{
    state().presenter = std::move(presenter);
}

cMessageBox::Presenter cMessageBox::presenter()
{
    return state().presenter;
}

void cMessageBox::setNextAnswer(Answer answer)
{
    state().answers.enqueue(answer);
}

void cMessageBox::clearNextAnswers()
{
    state().answers.clear();
}

int cMessageBox::pendingAnswers()
{
    return static_cast<int>(state().answers.size());
}

const QList<cMessageBox::Request>& cMessageBox::history()
{
    return state().history;
}

void cMessageBox::clearHistory()
{
    state().history.clear();
}
