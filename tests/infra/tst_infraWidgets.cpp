#include "TestSupport.h"
#include "clsAlwaysOnTop.h"
#include "modErrorHandling.h"
#include "modMessageBoxWidgets.h"
#include "modQtTranslations.h"
#include "modWindowHelpers.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>

namespace {
// Presses the button of the next modal box, after checking what it shows.
void subAnswerNextBox(
    QMessageBox::StandardButton button, std::function<void(QMessageBox*)> check = {})
{
    QTimer::singleShot(0, qApp, [button, check] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no modal message box";
            return;
        }
        if (check)
            check(box);
        box->button(button)->click();
    });
}

// A window painted red on its left half and blue on its right half.
class cTwoColourWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(QRect(0, 0, width() / 2, height()), QColor(200, 0, 0));
        painter.fillRect(QRect(width() / 2, 0, width() - width() / 2, height()), QColor(0, 0, 200));
    }
};

} // namespace

class MessageBoxes : public testing::Test
{
protected:
    void SetUp() override { saved = cMessageBox::presenter(); }
    void TearDown() override { cMessageBox::setPresenter(saved); }
    cMessageBox::Presenter saved;
};

TEST_F(MessageBoxes, RealBoxShowsTitleTextIconAndButtonsInThePhraseTableLanguageEscapeSaysNo)
{
    subInstallMessageBoxPresenter();
    subAnswerNextBox(QMessageBox::No, [](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), strProgramTitle);
        EXPECT_EQ(box->text(), QStringLiteral("Remove <b>all</b> reports?"));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    });
    EXPECT_EQ(cMessageBox::Show(QStringLiteral("Remove <b>all</b> reports?"),
                  cMessageBox::Buttons::YesNo, cMessageBox::Icon::Question),
        cMessageBox::Answer::No);

    subAnswerNextBox(QMessageBox::Ok, [](QMessageBox* box) {
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    });
    EXPECT_EQ(cMessageBox::Show(QStringLiteral("No personal settings found!"),
                  cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical),
        cMessageBox::Answer::Ok);

    // Qt's own texts follow the phrase table's language column: German (7), then English (4).
    const auto buttonTexts = [](qint16 intColumn) {
        QStringList texts;
        subAnswerNextBox(QMessageBox::No, [&texts](QMessageBox* box) {
            texts = { box->button(QMessageBox::Yes)->text(), box->button(QMessageBox::No)->text() };
        });
        cMessageBox::Show(
            QString::number(intColumn), cMessageBox::Buttons::YesNo, cMessageBox::Icon::Question);
        return texts;
    };
    EXPECT_TRUE(fncLoadQtTranslations(7));
    EXPECT_EQ(buttonTexts(7), QStringList({ QStringLiteral("&Ja"), QStringLiteral("&Nein") }));
    EXPECT_FALSE(fncLoadQtTranslations(4));
    EXPECT_EQ(buttonTexts(4), QStringList({ QStringLiteral("&Yes"), QStringLiteral("&No") }));

    // Escape on a question means No, on OK/Cancel it means Cancel.
    for (const auto& [buttons, answer] :
        { std::pair { cMessageBox::Buttons::YesNo, cMessageBox::Answer::No },
            { cMessageBox::Buttons::OkCancel, cMessageBox::Answer::Cancel } }) {
        QTimer::singleShot(0, qApp, [] {
            if (auto* box = QApplication::activeModalWidget())
                box->close();
        });
        EXPECT_EQ(fncShowMessageBox({ strProgramTitle, QStringLiteral("Send?"), buttons,
                      cMessageBox::Icon::Warning }),
            answer);
    }
}

TEST(WindowHelpers, AlwaysOnTopChangesOnlyTheBandAndBackColorTakesThePixelBehindTheCentre)
{
    QWidget plain;
    plain.setGeometry(40, 50, 300, 200);
    plain.show();
    const QRect geometry = plain.geometry();
    clsAlwaysOnTop objTop;
    objTop.MakeTopMost(&plain);
    EXPECT_TRUE(plain.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    objTop.MakeNormal(&plain);
    EXPECT_FALSE(plain.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(plain.isVisible());
    EXPECT_EQ(plain.geometry(), geometry);
    // A hidden window stays hidden.
    QWidget hidden;
    objTop.MakeTopMost(&hidden);
    EXPECT_FALSE(hidden.isVisible());

    // The colour behind the centre of the control, never its corners nor itself; a control outside
    // the visible part of the window keeps its own.
    const auto colourOf = [](QWidget* w) { return w->palette().color(w->backgroundRole()); };
    cTwoColourWindow window;
    window.resize(200, 150);
    auto* check = new QCheckBox(QStringLiteral("Private"), &window);
    check->setGeometry(5, 20, 50, 30);
    // Left edge over red, centre (x = 130) over blue; the control paints itself green.
    auto* frame = new QWidget(&window);
    frame->setGeometry(60, 10, 140, 80);
    QPalette green = frame->palette();
    green.setColor(QPalette::Window, Qt::green);
    frame->setPalette(green);
    frame->setAutoFillBackground(true);
    auto* outside = new QCheckBox(QStringLiteral("x"), &window);
    outside->setGeometry(250, 10, 40, 20);
    auto* clipped = new QCheckBox(QStringLiteral("y"), frame);
    clipped->setGeometry(10, 85, 40, 20); // inside the window, but below its frame's edge
    window.show();
    const QColor outsideBefore = colourOf(outside), clippedBefore = colourOf(clipped);
    for (QWidget* control : std::initializer_list<QWidget*> { clipped, outside, check, frame })
        subApplyBackColorToControl(&window, control);
    EXPECT_EQ(colourOf(check), QColor(200, 0, 0));
    EXPECT_EQ(check->geometry(), QRect(5, 20, 50, 30));
    EXPECT_TRUE(check->autoFillBackground()) << "else the colour is never painted";
    EXPECT_EQ(colourOf(frame), QColor(0, 0, 200));
    EXPECT_EQ(colourOf(outside), outsideBefore);
    EXPECT_EQ(colourOf(clipped), clippedBefore);
    EXPECT_FALSE(outside->autoFillBackground());
}
