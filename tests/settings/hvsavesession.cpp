// A second program saving the common settings, for tests of saves running at the same moment.
// It loads the lists of the data folder given as its first argument, makes the edits the
// tab-separated commands after the program folder ask for, prints "loaded", and saves once a
// line comes on standard input:
//   add <list> <name> <category> <rate>      set <list> <name> <category> <rate>
//   remove <list> <name> <decision> [target] answer yes|no
// and prints "saved <message>", then one "asked <value>" per removed-item question and one
// "box <text>" per message box.

#include "cGlobalSettings.h"
#include "cMessageBox.h"
#include "cPersonalSettings.h"
#include "cRemovedItemResolver.h"
#include "modDBCode.h"
#include "modPhrases.h"
#include "modProgramEnd.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTextStream>
#include <cstdio>

namespace {
class cByNameResolver : public cRemovedItemResolver
{
public:
    QHash<QString, QPair<qint32, QString>> answers;
    QStringList asked;

    qint32 fncResolve(const QString& strValue, const QString&, qint32, const QStringList&,
        QString& strMoveChoice) override
    {
        asked.append(strValue);
        const auto a = answers.value(strValue, { intCancelled, QString() });
        strMoveChoice = a.second;
        return a.first;
    }
};
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    QTextStream out(stdout);
    // A box not answered in advance is answered Cancel; every box is reported.
    cMessageBox::setPresenter(
        [](const cMessageBox::Request&) { return cMessageBox::Answer::Cancel; });
    subSetTerminator([](int code) { std::_Exit(code == 0 ? 3 : code); });
    LoadLanguages(fncColumnForLcid(1033));
    cPersonalSettings::subSetProgramFolder(QString::fromLocal8Bit(argv[2]));
    strDataFolder = QString::fromLocal8Bit(argv[1]);
    cByNameResolver resolver;
    subSetRemovedItemResolver(&resolver);

    cGlobalSettings gs;
    if (!gs.ReadGlobalSettings(2, QString()))
        return 4;
    for (int i = 3; i < argc; ++i) {
        const QStringList f = QString::fromUtf8(argv[i]).split(QLatin1Char('\t'));
        const QString cmd = f.value(0);
        if (cmd == QLatin1String("answer")) {
            cMessageBox::setNextAnswer(f.value(1) == QLatin1String("yes")
                    ? cMessageBox::Answer::Yes
                    : cMessageBox::Answer::No);
            continue;
        }
        cMetaDictionary& list = gs.MetaDataLists.ItemAt(f.value(1).toInt() - 1);
        const QString name = f.value(2);
        if (cmd == QLatin1String("add")) {
            list.AddMeta(
                name, f.value(3), cCurrency::fromDouble(f.value(4).toDouble()), 0, QString(), true);
        } else if (cmd == QLatin1String("set")) {
            cMetaData& item = list.MetaDic.Item(name);
            item.Category = f.value(3);
            item.HourlyRate = cCurrency::fromDouble(f.value(4).toDouble());
        } else if (cmd == QLatin1String("remove")) {
            list.MetaDic.Remove(name);
            resolver.answers.insert(name, { f.value(3).toInt(), f.value(4) });
        }
    }
    out << "loaded\n";
    out.flush();
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly) || in.readLine().isEmpty())
        return 5;
    out << "saved\t" << gs.SaveGlobalSettings().replace(QLatin1Char('\n'), QLatin1Char(' '))
        << '\n';
    for (const QString& v : resolver.asked)
        out << "asked\t" << v << '\n';
    for (const cMessageBox::Request& b : cMessageBox::history())
        out << "box\t" << b.strText << '\n';
    out.flush();
    subSetRemovedItemResolver(nullptr);
    return 0;
}
