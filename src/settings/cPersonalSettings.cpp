#include "cPersonalSettings.h"

#include "cHVError.h"
#include "modErrorHandling.h"
#include "modFileHandling.h"
#include "modOutlookCode.h"
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

QString fncBoolText(bool bln) { return bln ? QStringLiteral("True") : QStringLiteral("False"); }

QLocale fncNumberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// A number in the locale's format or the invariant one (what another locale's copy may have
// written); nullopt for anything else.
std::optional<double> fncParseNumber(const QString& strText)
{
    const QString t = strText.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double d = fncNumberLocale().toDouble(t, &ok);
    if (ok)
        return d;
    const double c = QLocale::c().toDouble(t, &ok);
    return ok ? std::optional<double>(c) : std::nullopt;
}

bool fncIsNumeric(const QString& strText) { return fncParseNumber(strText).has_value(); }

// CInt: rounded to nearest, ties to even, and only what fits in 16 bits.
qint16 fncToInteger(const QString& strText)
{
    const auto d = fncParseNumber(strText);
    if (!d)
        throw cHVError(13, strSource,
            QStringLiteral("Type mismatch: \"%1\" is not a number").arg(strText));
    const double r = std::nearbyint(*d);
    if (!(r >= -32768.0 && r <= 32767.0))
        throw cHVError(6, strSource,
            QStringLiteral("Overflow: \"%1\" is out of the range of a 16-bit number").arg(strText));
    return static_cast<qint16>(r);
}

// CBool: "True"/"False" in any case, or a number (0 is False).
bool fncToBoolean(const QString& strText)
{
    const QString t = strText.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto d = fncParseNumber(t))
        return *d != 0.0;
    throw cHVError(13, strSource,
        QStringLiteral("Type mismatch: \"%1\" is not a Boolean value").arg(strText));
}

// The hours options hold a number or a numeric text; doubles are written in the locale's format.
QString fncVariantText(const QVariant& var)
{
    switch (var.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return fncNumberLocale().toString(var.toDouble(), 'g', QLocale::FloatingPointShortest);
    default:
        return var.toString();
    }
}

// Appointment steps run one by one, a failing one skipped: the store is written regardless.
template <typename F>
void subIgnoreFailure(const QString& strWhat, F&& f)
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

bool fncFileExists(const QString& strPath) { return QFileInfo(strPath).isFile(); }

QByteArray fncReadWholeFile(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        throw cHVError(75, strSource,
            QStringLiteral("Could not read ") + strPath + QStringLiteral(": ") + file.errorString());
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
    std::optional<cCurrency> rate; // empty when line 2 is not a number
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
    head.rate = cPersonalSettings::fncTextToRate(colLines.at(2));
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
    strFolder.replace(QStringLiteral("OLAP Cubes"), QStringLiteral("My Hourvanes"), Qt::CaseSensitive);
    return strFolder;
}

QString cPersonalSettings::fncReadReportPath() const
{
    const QString strFile = fncStripTrailingSlash(fncDataFolder()) + QStringLiteral("/ReportPath.txt");
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
    // Never grouped: a "." in a comma locale is another copy's invariant decimal point, not
    // a thousands separator.
    QString t = strText.trimmed();
    const QString strPoint = QLocale().decimalPoint();
    if (!strPoint.isEmpty() && strPoint != QLatin1String("."))
        t.replace(strPoint, QStringLiteral("."));
    return cCurrency::fromInvariantString(t);
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
        + fncRateToText(PersonalRate) + strCrLf + fncBoolText(FilterEvents) + strCrLf
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
        const cOlAppointmentItemPtr objAppointment = fncGetSettingsAppointment();
        const QString strList = fncMetadataList();
        if (objAppointment) {
            subIgnoreFailure(QStringLiteral("setting the body"),
                [&] { objAppointment->setBody(strBody); });
            subIgnoreFailure(QStringLiteral("storing the property Settings"),
                [&] { subFixLongProperty(objAppointment, strBody, QStringLiteral("Settings")); });
            subIgnoreFailure(QStringLiteral("setting the categories"),
                [&] { objAppointment->setCategories(strList.left(4000)); });
            subIgnoreFailure(QStringLiteral("saving the settings appointment"),
                [&] { objAppointment->Save(); });
        }

        // The store is the primary copy: a failing write is reported, appointment or not.
        subLog(QStringLiteral("Saving personal settings to registry"));
        const auto write = [](const char* name, const QString& strValue) {
            subWriteRegistryValue(strSection, QString::fromLatin1(name), strValue);
        };
        write("ReportChoice", QString::number(ReportChoice));
        write("ReportValue", ReportValue);
        write("PersonalRate", fncRateToText(PersonalRate));
        write("FilterEvents", fncBoolText(FilterEvents));
        write("FilterPrivate", fncBoolText(FilterPrivate));
        write("FilterRecurring", fncBoolText(FilterRecurring));
        write("MetadataList", fncMetadataList());
        write("Convert24", fncBoolText(Convert24));
        write("Convert24Hours", fncVariantText(Convert24Hours));
        write("StartGrid", fncBoolText(StartGrid));
        write("RemoveLunch", fncBoolText(RemoveLunch));
        write("RemoveLunchHours", fncVariantText(RemoveLunchHours));
        write("CreateLocalCube", fncBoolText(CreateLocalCube));
        write("WriteSubject", fncBoolText(WriteSubject));
        write("PaneWidth", QString::number(PaneWidth));
        write("PaneHeight", QString::number(PaneHeight));
        write("PaneDockPos", QString::number(PaneDockPos));
    } catch (...) {
        subHandleCurrentException(QStringLiteral("cPersonalSettings.SaveSettings"));
    }
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
        const QString strRate = read("PersonalRate", QStringLiteral("0"));
        const std::optional<cCurrency> rate = fncTextToRate(strRate);
        if (!rate)
            throw cHVError(13, strSource,
                QStringLiteral("Type mismatch: the stored rate \"%1\" is not a number").arg(strRate));
        // Converted first, assigned after: a damaged value leaves every field as it was.
        const qint32 lngChoice = strChoice != strNull ? fncToInteger(strChoice) : ReportChoice;
        const bool blnEvents = fncToBoolean(read("FilterEvents", QStringLiteral("true")));
        const bool blnPrivate = fncToBoolean(read("FilterPrivate", QStringLiteral("true")));
        const bool blnRecurring = fncToBoolean(read("FilterRecurring", QStringLiteral("true")));
        const QString strList = read("MetadataList", QString());
        const bool blnConvert24 = fncToBoolean(read("Convert24", QStringLiteral("true")));
        const QString strConvert24Hours = read("Convert24Hours", QStringLiteral("8"));
        const bool blnRemoveLunch = fncToBoolean(read("RemoveLunch", QStringLiteral("true")));
        const QString strRemoveLunchHours = read("RemoveLunchHours", QStringLiteral("0.75"));
        const bool blnCreateLocalCube = fncToBoolean(read("CreateLocalCube", QStringLiteral("true")));
        const bool blnStartGrid = fncToBoolean(read("StartGrid", QStringLiteral("true")));
        const bool blnWriteSubject = fncToBoolean(read("WriteSubject", QStringLiteral("true")));

        ReportChoice = lngChoice;
        if (strValue != strNull)
            ReportValue = strValue;
        PersonalRate = *rate;
        FilterEvents = blnEvents;
        FilterPrivate = blnPrivate;
        FilterRecurring = blnRecurring;
        subPopulateMetadataList(strList);
        Convert24 = blnConvert24;
        Convert24Hours = strConvert24Hours;
        RemoveLunch = blnRemoveLunch;
        RemoveLunchHours = strRemoveLunchHours;
        CreateLocalCube = blnCreateLocalCube;
        StartGrid = blnStartGrid;
        WriteSubject = blnWriteSubject;
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
        const QStringList colLines = fncGetLongProperty(objAppointment, QStringLiteral("Settings"))
                                         .split(strCrLf);
        if (colLines.size() > 6) {
            if (!fncIsNumeric(colLines.at(0)))
                return;
            const cBodyHead head = fncParseBodyHead(colLines);
            // A numeric first line that is no whole number ("2.5") gives no choice.
            if (!head.choice || (*head.choice == 2 && !fncAcceptDatabaseFolder(head.strValue)))
                return;
            QList<cMetaDictionary> colLists = fncParseListLines(fncListLinesOfBody(colLines));
            ReportChoice = *head.choice;
            ReportValue = head.strValue;
            if (head.rate)
                PersonalRate = *head.rate;
            FilterEvents = head.blnEvents;
            FilterPrivate = head.blnPrivate;
            FilterRecurring = head.blnRecurring;
            MetaDataLists = std::move(colLists);
        }

        const QVariant varEmpty = QVariant(QString());
        const auto value = [&](const char* name, int type) {
            return fncGetOutlookValue(objAppointment, QString::fromLatin1(name),
                static_cast<qint16>(type), varEmpty);
        };
        Convert24 = value("blnConvert24", vbBoolean).toBool();
        Convert24Hours = value("intConvert24Hours", vbInteger);
        RemoveLunch = value("blnRemoveLunch", vbBoolean).toBool();
        RemoveLunchHours = value("intRemoveLunchHours", vbInteger);
        CreateLocalCube = value("blnCreateLocalCube", vbBoolean).toBool();
        StartGrid = value("blnStartGrid", vbBoolean).toBool();
        WriteSubject = value("blnWriteSubject", vbBoolean).toBool();
    } catch (...) {
        subHandleCurrentException(
            QStringLiteral("cPersonalSettings.subReadExistingSettingAppointment2050"));
    }
}

bool cPersonalSettings::fncAcceptDatabaseFolder(const QString& strValue) const
{
    // This edition keeps its database in the documents data folder; the multi-user programs
    // installed beside it keep theirs elsewhere. A folder that fits neither is another
    // machine's and is not taken over.
    const QString strDefaultDb = fncStripTrailingSlash(fncDataFolder()) + strDatabaseFile;
    const QString strProgramFolder = fncStripTrailingSlash(fncProgramFolder()) + QLatin1Char('/');
    const QString strStoredDb = fncStripTrailingSlash(fncStripTrailingSlash(strValue)) + strDatabaseFile;
    const bool blnSameAsDefault = strStoredDb.compare(strDefaultDb, Qt::CaseInsensitive) == 0;
    if (fncFileExists(strProgramFolder + QStringLiteral("HVPersonalSettingsSingle") + strExeSuffix))
        return blnSameAsDefault && fncFileExists(strStoredDb);
    return fncFileExists(strProgramFolder + QStringLiteral("HVPersonalSettings") + strExeSuffix)
        && fncFileExists(strStoredDb) && !blnSameAsDefault;
}
