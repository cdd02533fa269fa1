#pragma once

#include "cHVError.h"
#include "cMessageBox.h"
#include "modProgramEnd.h"

#include <QApplication>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Failed checks show texts as text.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace hvtest {

// The temporary folder that plays HOME for this test binary (also the XDG folders inside it).
QString homeDir();
// A new empty folder below the temporary HOME, removed with it at the end of the run.
QString newTempDir(const QString& prefix = QStringLiteral("t"));
// The mailto: addresses handed to the mail program during this run.
const QList<QUrl>& openedMailUrls();
void clearOpenedMailUrls();
// Let the mail hand-off fail (as when no mail program is installed).
void setMailOpenerFails(bool fails);
// The mail program the test main installs: it records the address.
bool recordMailUrl(const QUrl& url);

// A file's bytes (empty when it cannot be read), and a file written whole, its folder made.
QByteArray readFile(const QString& strPath);
void writeFile(const QString& strPath, const QByteArray& bytes);

// Runs f in a forked child as an unprivileged user (nobody, when the tests run as root: root
// ignores file permissions) and returns the child's exit status: 0 when f returned, 1 when it
// threw. The child first gives the temporary HOME to that user. f reports by the files it
// leaves, since the child's test results are not the parent's.
int fncRunUnprivileged(const std::function<void()>& f);
// The same for checks written as test assertions: f(strDir) runs in the child with a new folder
// that user owns, and a failed assertion there fails the calling test.
void runUnprivileged(const std::function<void(const QString& strDir)>& f);

// The error a call raised, or error 0 when it raised none.
cHVError errorOf(const std::function<void()>& call);

// Runs f and returns true when it ended the program through subEndProgram.
template <typename F> bool endsProgram(F&& f, int* exitCode = nullptr)
{
    try {
        f();
    } catch (const cProgramEnded& e) {
        if (exitCode)
            *exitCode = e.intExitCode;
        return true;
    }
    return false;
}

// Runs f on the next modal dialog of type T once it is shown.
template <typename T> void whenModal(std::function<void(T*)> f)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [f, poll] {
        if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget()))
            f(dlg);
        else
            QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(20, *poll);
}

} // namespace hvtest
