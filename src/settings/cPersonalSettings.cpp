#include "cPersonalSettings.h"

#include "cHVError.h"
#include "cMessageBox.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"
#include "modLocale.h"
#include "modOutlookCode.h"
#include "modPhrases.h"
#include "modProgramEnd.h"
#include "modRegistryEntry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace {
const QString strCrLf = QStringLiteral("\r\n");
const QString strSection = QStringLiteral("Settings");
const QString strNull = QStringLiteral("NULL");
const QString strSource = QStringLiteral("cPersonalSettings");
const QString strDatabaseFile = QStringLiteral("/Hourvane3.mdb");
#ifdef Q_OS_WIN
const QString strExeSuffix = QStringLiteral(".exe");
#else
const QString strExeSuffix;
#endif

QString& programFolderOverride()
{
    static QString s;
    return s;
}

QString fncBoolText(bool bln)
{
    return bln ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<double> fncParseNumber(const QString& strText)
{
    return fncStoredTextToNumber(strText);
}

bool fncIsNumeric(const QString& strText)
{
    return fncParseNumber(strText).has_value();
}

// CInt: rounded to nearest, ties to even, and only what fits in 16 bits.
qint16 fncToInteger(const QString& strText)
{
    const auto d = fncParseNumber(strText);
    if (!d)
        throw cHVError(
            13, strSource, QStringLiteral("Type mismatch: \"%1\" is not a number").arg(strText));
    const double r = std::nearbyint(*d);
    if (!(r >= -32768.0 && r <= 32767.0))
        throw cHVError(6, strSource,
            QStringLiteral("Overflow: \"%1\" is out of the range of a 16-bit number").arg(strText));
    return static_cast<qint16>(r);
}

bool fncToBoolean(const QString& strText)
{
    if (const auto bln = fncStoredTextToBoolean(strText))
        return *bln;
    throw cHVError(
        13, strSource, QStringLiteral("Type mismatch: \"%1\" is not a Boolean value").arg(strText));
}

// The hours options hold a number or a numeric text (as typed, in the user's locale).
std::optional<double> fncHoursValue(const QVariant& var)
{
    if (var.typeId() == QMetaType::QString)
        return fncStoredTextToNumber(var.toString());
    bool ok = false;
    const double d = var.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

QString fncHoursText(const QVariant& var)
{
    const auto d = fncHoursValue(var);
    return d ? fncNumberToStoredText(*d) : var.toString();
}

// Stored values that are no numbers: reported together, once, after the rest was read.
class cValueProblems
{
public:
    void Add(const QString& strWhere, const QString& strKey, const QString& strValue)
    {
        m_colLines.append(QStringLiteral("%1 (%2): \"%3\"").arg(strWhere, strKey, strValue));
    }
    void Report() const
    {
        if (m_colLines.isEmpty())
            return;
        cMessageBox::Show(
            fncPhrase("LNGSTOREDVALUEBAD") + strCrLf + strCrLf + m_colLines.join(strCrLf),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
    }

private:
    QStringList m_colLines;
};

// Appointment steps run one by one, a failing one skipped: the store is written regardless.
template <typename F> void subIgnoreFailure(const QString& strWhat, F&& f)
{
    try {
        f();
    } catch (const cProgramEnded&) {
        throw;
    } catch (const std::exception& e) {
        subLog(QStringLiteral("Ignored failure while ") + strWhat + QStringLiteral(": ")
            + QString::fromUtf8(e.what()));
    } catch (...) {
        subLog(QStringLiteral("Ignored failure while ") + strWhat);
    }
}

bool fncFileExists(const QString& strPath)
{
    return QFileInfo(strPath).isFile();
}

QByteArray fncReadWholeFile(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        throw cHVError(75, strSource,
            QStringLiteral("Could not read ") + strPath + QStringLiteral(": ")
                + file.errorString());
    return file.readAll();
}

// One settings line per list: "Caption:" then every name followed by ";".
QList<cMetaDictionary> fncParseListLines(const QStringList& colLines)
{
    QList<cMetaDictionary> colLists;
    for (const QString& strLine : colLines) {
        const QString strCaption = strLine.section(QLatin1Char(':'), 0, 0);
        if (strCaption.isEmpty())
            continue;
        cMetaDictionary dic;
        dic.Caption = strCaption;
        const QStringList colNames = strLine.mid(strCaption.size() + 1).split(QLatin1Char(';'));
        for (const QString& strName : colNames) {
            if (!strName.isEmpty())
                dic.AddMeta(strName, QString(), cCurrency(), 0, QString(), false);
        }
        colLists.append(std::move(dic));
    }
    return colLists;
}

// The first lines of a body: choice, value, rate, three filters.
struct cBodyHead
{
    std::optional<qint32> choice; // empty when line 0 is not numeric
    QString strValue;
    std::optional<cCurrency> rate; // empty when line 2 is not an amount
    QString strRate;
    bool blnEvents = false;
    bool blnPrivate = false;
    bool blnRecurring = false;
};

cBodyHead fncParseBodyHead(const QStringList& colLines)
{
    cBodyHead head;
    if (fncIsNumeric(colLines.at(0))) {
        head.choice = fncToInteger(colLines.at(0));
        head.strValue = colLines.at(1);
    }
    head.strRate = colLines.at(2);
    head.rate = cPersonalSettings::fncTextToRate(head.strRate);
    head.blnEvents = fncToBoolean(colLines.at(3));
    head.blnPrivate = fncToBoolean(colLines.at(4));
    head.blnRecurring = fncToBoolean(colLines.at(5));
    return head;
}

// Lines 6 to the one before the last; the last is what follows the final CR LF.
QStringList fncListLinesOfBody(const QStringList& colLines)
{
    return colLines.size() > 7 ? colLines.mid(6, colLines.size() - 7) : QStringList();
}
} // namespace

cPersonalSettings::cPersonalSettings()
{
    try {
        subSetupFS();
        subLog(QStringLiteral("Checking for HourvaneConnection.txt"));
        const QString strPath = fncStripTrailingSlash(fncReadReportPath());
        const QString strConnectionFile = strPath + QStringLiteral("/HourvaneConnection.txt");
        if (fncFileExists(strConnectionFile)) {
            ReportValue = QString::fromLocal8Bit(fncReadWholeFile(strConnectionFile));
            ReportChoice = 3;
        } else {
            subLog(QStringLiteral("Assuming Access database"));
            ReportChoice = 2;
            ReportValue = strPath + QLatin1Char('/');
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cPersonalSettings.Class_Initialize"));
    }
}

QString cPersonalSettings::fncDataFolder() const
{
    QString strFolder = fncGetLocalCubePath();
    strFolder.replace(
        QStringLiteral("OLAP Cubes"), QStringLiteral("My Hourvanes"), Qt::CaseSensitive);
    return strFolder;
}

QString cPersonalSettings::fncReadReportPath() const
{
    const QString strFile
        = fncStripTrailingSlash(fncDataFolder()) + QStringLiteral("/ReportPath.txt");
    if (!fncFileExists(strFile))
        return fncStripTrailingSlash(fncProgramFolder()) + QLatin1Char('/');
    QString strPath = QString::fromLocal8Bit(fncReadWholeFile(strFile));
    // A path holds no line break; files edited here end their lines in LF alone.
    strPath.remove(strCrLf);
    strPath.remove(QLatin1Char('\n'));
    strPath.remove(QLatin1Char('\r'));
    return strPath;
}

QString cPersonalSettings::fncProgramFolder()
{
    const QString& strOverride = programFolderOverride();
    if (!strOverride.isEmpty())
        return strOverride;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

void cPersonalSettings::subSetProgramFolder(const QString& strFolder)
{
    programFolderOverride() = strFolder;
}

QString cPersonalSettings::fncRateToText(cCurrency curRate)
{
    return curRate.toLocaleString(QLocale());
}

std::optional<cCurrency> cPersonalSettings::fncTextToRate(const QString& strText)
{
    // Never grouped: a "." in a comma locale is another copy's decimal point, not a thousands
    // separator.
    const auto t = fncStoredNumberInvariant(strText);
    return t ? cCurrency::fromInvariantString(*t) : std::nullopt;
}

QString cPersonalSettings::fncJoinDic(const QStringList& colItems, const QString& strSeparator)
{
    QString strResult;
    for (const QString& strItem : colItems)
        strResult += strItem + strSeparator;
    return strResult;
}

QString cPersonalSettings::fncMetadataList() const
{
    QString strList;
    for (const cMetaDictionary& dic : MetaDataLists) {
        if (!dic.Caption.isEmpty())
            strList += dic.Caption + QLatin1Char(':') + fncJoinDic(dic.MetaDic, QStringLiteral(";"))
                + strCrLf;
    }
    return strList;
}

QString cPersonalSettings::fncBuildBody() const
{
    return QString::number(ReportChoice) + strCrLf + ReportValue + strCrLf
        + PersonalRate.toInvariantString() + strCrLf + fncBoolText(FilterEvents) + strCrLf
        + fncBoolText(FilterPrivate) + strCrLf + fncBoolText(FilterRecurring) + strCrLf
        + fncMetadataList();
}

void cPersonalSettings::FromString(const QString& strText)
{
    try {
        const QStringList colLines = strText.split(strCrLf);
        if (colLines.size() <= 6)
            return;
        // Everything is converted before anything is assigned: a bad line changes nothing.
        const cBodyHead head = fncParseBodyHead(colLines);
        QList<cMetaDictionary> colLists = fncParseListLines(fncListLinesOfBody(colLines));
        if (head.choice) {
            ReportChoice = *head.choice;
            ReportValue = head.strValue;
        }
        if (head.rate)
            PersonalRate = *head.rate;
        FilterEvents = head.blnEvents;
        FilterPrivate = head.blnPrivate;
        FilterRecurring = head.blnRecurring;
        MetaDataLists = std::move(colLists);
        if (!head.rate && !head.strRate.trimmed().isEmpty()) {
            cValueProblems problems;
            problems.Add(QStringLiteral("Settings"), QStringLiteral("PersonalRate"), head.strRate);
            problems.Report();
        }
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cPersonalSettings.FromString"));
    }
}

void cPersonalSettings::subPopulateMetadataList(const QString& strText)
{
    try {
        const QStringList colLines = strText.split(strCrLf);
        if (colLines.size() < 2)
            return;
        MetaDataLists = fncParseListLines(colLines.mid(0, colLines.size() - 1));
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cPersonalSettings.subPopulateMetadataList"));
    }
}

void cPersonalSettings::SaveSettings()
{
    try {
        subLog(QStringLiteral("Saving personal settings to setting appointment of 1/1/2050"));
        const QString strBody = fncBuildBody();
        cOlAppointmentItemPtr objAppointment = fncGetSettingsAppointment();
        // Nothing else makes the appointment in this edition; without it nothing travels.
        if (!objAppointment)
            subIgnoreFailure(QStringLiteral("creating the settings appointment"),
                [&] { objAppointment = fncNewSettingsAppointment(); });
        const QString strList = fncMetadataList();
        QString strCalendarProblem;
        QString strStamp;
        if (objAppointment) {
            try {
                objAppointment->setBody(strBody);
                subFixLongProperty(objAppointment, strBody, QStringLiteral("Settings"), true);
                objAppointment->setCategories(strList.left(4000));
                subWriteUserProperties(objAppointment);
                objAppointment->Save();
                strStamp = objAppointment->Fingerprint();
            } catch (const cHVError& e) {
                strStamp = objAppointment->Fingerprint();
                subLog(QStringLiteral("Settings appointment not saved: ") + e.Description());
                strCalendarProblem = fncCalendarSaveProblem(e.Number());
            }
        }

        // The store is the primary copy: a failing write is reported, appointment or not.
        subLog(QStringLiteral("Saving personal settings to registry"));
        const auto pair = [](const char* name, const QString& strValue) {
            return std::pair<QString, QString>(QString::fromLatin1(name), strValue);
        };
        subWriteRegistryValues(strSection,
            { pair("ReportChoice", QString::number(ReportChoice)), pair("ReportValue", ReportValue),
                pair("PersonalRate", PersonalRate.toInvariantString()),
                pair("FilterEvents", fncBoolText(FilterEvents)),
                pair("FilterPrivate", fncBoolText(FilterPrivate)),
                pair("FilterRecurring", fncBoolText(FilterRecurring)),
                pair("MetadataList", fncMetadataList()), pair("Convert24", fncBoolText(Convert24)),
                pair("Convert24Hours", fncHoursText(Convert24Hours)),
                pair("StartGrid", fncBoolText(StartGrid)),
                pair("RemoveLunch", fncBoolText(RemoveLunch)),
                pair("RemoveLunchHours", fncHoursText(RemoveLunchHours)),
                pair("CreateLocalCube", fncBoolText(CreateLocalCube)),
                pair("WriteSubject", fncBoolText(WriteSubject)),
                pair("PaneWidth", QString::number(PaneWidth)),
                pair("PaneHeight", QString::number(PaneHeight)),
                pair("PaneDockPos", QString::number(PaneDockPos)),
                pair("CalendarStamp", strStamp) });

        if (!strCalendarProblem.isEmpty())
            cMessageBox::Show(fncPhrase("LNGCALENDARCOPYNOTSAVED")
                                  .arg(objAppointment->FilePath(), strCalendarProblem),
                cMessageBox::Buttons::Ok, cMessageBox::Icon::Warning);
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cPersonalSettings.SaveSettings"));
    }
}

void cPersonalSettings::subWriteUserProperties(const cOlAppointmentItemPtr& objAppointment) const
{
    cOlUserProperties& props = objAppointment->UserProperties();
    const auto yesNo = [&](const char* name, bool bln) {
        props.Add(QString::fromLatin1(name), olYesNo)->setValue(bln);
    };
    // Numbers, not integers: 7.5 hours travel as 7.5.
    const auto hours = [&](const char* name, const QVariant& var) {
        if (const auto d = fncHoursValue(var))
            props.Add(QString::fromLatin1(name), olNumber)->setValue(*d);
    };
    yesNo("blnConvert24", Convert24);
    hours("intConvert24Hours", Convert24Hours);
    yesNo("blnRemoveLunch", RemoveLunch);
    hours("intRemoveLunchHours", RemoveLunchHours);
    yesNo("blnCreateLocalCube", CreateLocalCube);
    yesNo("blnStartGrid", StartGrid);
    yesNo("blnWriteSubject", WriteSubject);
}

bool cPersonalSettings::GetValuesFromSettings()
{
    try {
        subLog(QStringLiteral("Reading Hourvane settings from Registry!"));
        const auto read = [](const char* name, const QString& strDefault) {
            return fncReadRegistryValue(strSection, QString::fromLatin1(name), strDefault);
        };
        if (read("ReportChoice", strNull) == strNull) {
            subReadExistingSettingAppointment2050();
            return true;
        }
        const QString strChoice = read("ReportChoice", strNull);
        const QString strValue = read("ReportValue", strNull);
        // Converted first, assigned after: a damaged value leaves every field as it was.
        const qint32 lngChoice = strChoice != strNull ? fncToInteger(strChoice) : ReportChoice;
        const bool blnEvents = fncToBoolean(read("FilterEvents", QStringLiteral("true")));
        const bool blnPrivate = fncToBoolean(read("FilterPrivate", QStringLiteral("true")));
        const bool blnRecurring = fncToBoolean(read("FilterRecurring", QStringLiteral("true")));
        const QString strList = read("MetadataList", QString());
        const bool blnConvert24 = fncToBoolean(read("Convert24", QStringLiteral("true")));
        const bool blnRemoveLunch = fncToBoolean(read("RemoveLunch", QStringLiteral("true")));
        const bool blnCreateLocalCube
            = fncToBoolean(read("CreateLocalCube", QStringLiteral("true")));
        const bool blnStartGrid = fncToBoolean(read("StartGrid", QStringLiteral("true")));
        const bool blnWriteSubject = fncToBoolean(read("WriteSubject", QStringLiteral("true")));

        // A number that cannot be read (nor is in range) is left as it was and reported; the
        // rest still loads.
        cValueProblems problems;
        const QString strStore = fncRegistryStorePath();
        const QString strRate = read("PersonalRate", QStringLiteral("0"));
        const std::optional<cCurrency> rate = fncTextToRate(strRate);
        if (!rate)
            problems.Add(strStore, QStringLiteral("PersonalRate"), strRate);
        const auto hours = [&](const char* name, const QString& strDefault, QVariant& varField) {
            const QString strText = read(name, strDefault);
            if (const auto d = fncStoredTextToNumber(strText))
                varField = *d;
            else
                problems.Add(strStore, QString::fromLatin1(name), strText);
        };

        ReportChoice = lngChoice;
        if (strValue != strNull)
            ReportValue = strValue;
        if (rate)
            PersonalRate = *rate;
        FilterEvents = blnEvents;
        FilterPrivate = blnPrivate;
        FilterRecurring = blnRecurring;
        subPopulateMetadataList(strList);
        Convert24 = blnConvert24;
        hours("Convert24Hours", QStringLiteral("8"), Convert24Hours);
        RemoveLunch = blnRemoveLunch;
        hours("RemoveLunchHours", QStringLiteral("0.75"), RemoveLunchHours);
        CreateLocalCube = blnCreateLocalCube;
        StartGrid = blnStartGrid;
        WriteSubject = blnWriteSubject;
        problems.Report();
        // The calendar copy changed since this machine last wrote it (another machine saved
        // and a sync tool brought its copy): what it carries is the newer settings.
        const cOlAppointmentItemPtr objAppointment = fncGetSettingsAppointment();
        if (objAppointment && objAppointment->Fingerprint() != read("CalendarStamp", QString()))
            subReadExistingSettingAppointment2050();
        return true;
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cPersonalSettings.GetValuesFromSettings"));
    }
}

void cPersonalSettings::subReadExistingSettingAppointment2050()
{
    try {
        subLog(QStringLiteral("Getting settings from appointment on 1 jan 2050"));
        const cOlAppointmentItemPtr objAppointment = fncGetSettingsAppointment();
        if (!objAppointment)
            return;
        cValueProblems problems;
        const QStringList colLines
            = fncGetLongProperty(objAppointment, QStringLiteral("Settings")).split(strCrLf);
        if (colLines.size() > 6) {
            if (!fncIsNumeric(colLines.at(0)))
                return;
            const cBodyHead head = fncParseBodyHead(colLines);
            // A numeric first line that is no whole number ("2.5") gives no choice.
            if (!head.choice)
                return;
            const eFolderFit fit
                = *head.choice == 2 ? fncDatabaseFolderFit(head.strValue) : eFolderFit::Take;
            if (fit == eFolderFit::Refuse)
                return;
            QList<cMetaDictionary> colLists = fncParseListLines(fncListLinesOfBody(colLines));
            ReportChoice = *head.choice;
            // Another machine's data folder: the rest travels, the destination is this one's.
            ReportValue = fit == eFolderFit::Take
                ? head.strValue
                : fncStripTrailingSlash(fncDataFolder()) + QLatin1Char('/');
            if (head.rate)
                PersonalRate = *head.rate;
            else
                problems.Add(
                    objAppointment->FilePath(), QStringLiteral("PersonalRate"), head.strRate);
            FilterEvents = head.blnEvents;
            FilterPrivate = head.blnPrivate;
            FilterRecurring = head.blnRecurring;
            MetaDataLists = std::move(colLists);
        }

        // A property that is missing keeps the value the field has.
        const auto value = [&](const char* name, int type, const QVariant& varCurrent) {
            return fncGetOutlookValue(
                objAppointment, QString::fromLatin1(name), static_cast<qint16>(type), varCurrent);
        };
        Convert24 = value("blnConvert24", vbBoolean, Convert24).toBool();
        Convert24Hours = value("intConvert24Hours", vbDouble, Convert24Hours);
        RemoveLunch = value("blnRemoveLunch", vbBoolean, RemoveLunch).toBool();
        RemoveLunchHours = value("intRemoveLunchHours", vbDouble, RemoveLunchHours);
        CreateLocalCube = value("blnCreateLocalCube", vbBoolean, CreateLocalCube).toBool();
        StartGrid = value("blnStartGrid", vbBoolean, StartGrid).toBool();
        WriteSubject = value("blnWriteSubject", vbBoolean, WriteSubject).toBool();
        problems.Report();
    } catch (...) {
        subHandleCurrentException(
            QStringLiteral("cPersonalSettings.subReadExistingSettingAppointment2050"));
    }
}

cPersonalSettings::eFolderFit cPersonalSettings::fncDatabaseFolderFit(const QString& strValue) const
{
    // This edition keeps its database in the documents data folder; the multi-user programs
    // installed beside it keep theirs elsewhere.
    const QString strDefaultDb = fncStripTrailingSlash(fncDataFolder()) + strDatabaseFile;
    const QString strProgramFolder = fncStripTrailingSlash(fncProgramFolder()) + QLatin1Char('/');
    const QString strStoredFolder = fncStripTrailingSlash(fncStripTrailingSlash(strValue));
    const QString strStoredDb = strStoredFolder + strDatabaseFile;
    const bool blnSameAsDefault = strStoredDb.compare(strDefaultDb, Qt::CaseInsensitive) == 0;
    if (fncFileExists(
            strProgramFolder + QStringLiteral("HVPersonalSettingsSingle") + strExeSuffix)) {
        if (blnSameAsDefault && fncFileExists(strStoredDb))
            return eFolderFit::Take;
        // The default data folder of another machine (another home, another system's
        // separators) is still this program's own folder there.
        const qsizetype at = std::max(strStoredFolder.lastIndexOf(QLatin1Char('/')),
            strStoredFolder.lastIndexOf(QLatin1Char('\\')));
        return at >= 0 && strStoredFolder.mid(at + 1) == QLatin1String("My Hourvanes")
            ? eFolderFit::ThisMachine
            : eFolderFit::Refuse;
    }
    return fncFileExists(strProgramFolder + QStringLiteral("HVPersonalSettings") + strExeSuffix)
            && fncFileExists(strStoredDb) && !blnSameAsDefault
        ? eFolderFit::Take
        : eFolderFit::Refuse;
}
