#pragma once

#include <QString>
#include <functional>

// Every message box and yes/no question of the program goes through here, so that tests can
// answer them in advance (setNextAnswer) and no layer below the window needs a widget class.
class cMessageBox
{
public:
    enum class Icon { None, Information, Question, Warning, Critical };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Request
    {
        QString strTitle;
        QString strText;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
    };

    using Presenter = std::function<Answer(const Request&)>;

    // Shows the box titled with the program title unless another title is given.
    static Answer Show(const QString& strText, Buttons buttons = Buttons::Ok,
        Icon icon = Icon::None, const QString& strTitle = QString());

    // The real presenter (a QMessageBox) is installed by the widget layer at start.
    static void setPresenter(Presenter presenter);
    static Presenter presenter();

    // Test seam: the next boxes are answered in this order without being shown.
    static void setNextAnswer(Answer answer);
    static void clearNextAnswers();
    static int pendingAnswers();
    // Every box shown or answered, in order (for tests that check what the user saw).
    static const QList<Request>& history();
    static void clearHistory();
};
