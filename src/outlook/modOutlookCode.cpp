#include "modOutlookCode.h"

#include "cHVError.h"
#include "cMessageBox.h"
#include "modErrorHandling.h"
#include "modLocale.h"
#include "modPhrases.h"
#include "modProgramEnd.h"

#include <QLocale>
#include <cmath>
#include <limits>
#include <pwd.h>
#include <unistd.h>

namespace {
struct Session
{
    cOlApplicationPtr application;
    cOlNameSpacePtr nameSpace;
    cOlFolderPtr currentFolder;
    QString strUserName;
    qint16 intVersion = 0;
};

Session& session()
{
    static Session s;
    return s;
}

const QString strCrLf = QStringLiteral("\r\n");

// Runs one step with its failures ignored, as the session's start and the property readers
// do; an end of the program already under way still passes.
template <typename F> void resumeNext(F&& step)
{
    try {
        step();
    } catch (const cProgramEnded&) {
        throw;
    } catch (...) {
    }
}

std::optional<double> fncNumericValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return std::nullopt;
    case QMetaType::Bool:
        return value.toBool() ? -1.0 : 0.0;
    case QMetaType::QString:
        return fncStoredTextToNumber(value.toString());
    default: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    }
    }
}

// A 16-bit integer rounded half to even; nothing when the value does not fit.
std::optional<qint16> fncToInteger(double d)
{
    if (!std::isfinite(d))
        return std::nullopt;
    const double r = std::nearbyint(d); // the default rounding mode is to nearest, ties to even
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}

std::optional<bool> fncToBoolean(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString)
        return fncStoredTextToBoolean(value.toString());
    if (const auto d = fncNumericValue(value))
        return *d != 0.0;
    return std::nullopt;
}

QString fncVariantText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float: {
        QLocale locale = QLocale::system();
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    default:
        return value.toString();
    }
}

QVariant fncToDate(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate) {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        QDateTime dt = QDateTime::fromString(text, Qt::ISODate);
        if (!dt.isValid())
            dt = QLocale::system().toDateTime(text, QLocale::ShortFormat);
        if (!dt.isValid()) {
            const QDate date = QLocale::system().toDate(text, QLocale::ShortFormat);
            if (date.isValid())
                dt = date.startOfDay();
        }
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    return QVariant();
}

QVariant fncInteger(qint16 value)
{
    return QVariant::fromValue<qint16>(value);
}

void subAssistantMessage(const QString& strText)
{
    // There is no assistant here: the message box is the fallback it always had.
    cMessageBox::Show(
        strText, cMessageBox::Buttons::Ok, cMessageBox::Icon::Information, strProgramTitle);
}
} // namespace

void subStartOutlook(qint16 /*intFolderType*/)
{
    // No window of the calendar has to be opened here, so the folder type is not needed.
    Session& s = session();
    resumeNext([] { subLog(QStringLiteral("Attempting to start MS Outlook 2000 or later")); });
    if (s.application)
        return;
    try {
        s.application = cOlApplication::Start();
    } catch (const cHVError&) {
        // Start fails only on the folder, which the user can point elsewhere.
        cMessageBox::Show(
            fncPhrase("LNGCALENDARFOLDERFAILED").arg(cOlApplication::fncCalendarPath()),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical, strProgramTitle);
        subEndProgram(intExitFailure);
    }
    if (!s.application) {
        cMessageBox::Show(
            QStringLiteral("Please start Outlook manually before you execute this application!"),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::None);
        subEndProgram(intExitFailure);
    }
    subSetOutlookVersionProvider([] {
        const auto app = session().application;
        return app ? app->Version() : QString();
    });
    const qint16 intVersion = fncGetOutlookVersion();
    if (intVersion >= 9) {
        resumeNext([&s] { s.nameSpace = s.application->GetNamespace(QStringLiteral("MAPI")); });
    } else {
        cMessageBox::Show(fncPhrase("LNGO2KNEEDED") + strCrLf + QString::number(intVersion),
            cMessageBox::Buttons::Ok, cMessageBox::Icon::Critical, strProgramTitle);
        subEndProgram(intExitFailure);
    }
}

qint16 fncGetOutlookVersion()
{
    Session& s = session();
    if (s.intVersion != 0)
        return s.intVersion;
    if (!s.application)
        subStartOutlook(olFolderInbox);
    if (!s.application)
        return 0;
    const QString text = s.application->Version();
    const int dot = text.indexOf(QLatin1Char('.'));
    bool ok = false;
    const int major = (dot < 0 ? text : text.left(dot)).trimmed().toInt(&ok);
    s.intVersion = ok && major > 0 && major <= std::numeric_limits<qint16>::max()
        ? static_cast<qint16>(major)
        : qint16(0);
    return s.intVersion;
}

QVariant fncGetOutlookValue(const cOlAppointmentItemPtr& item, const QString& strPropName,
    qint16 intValueType, const QVariant& varDefault)
{
    resumeNext([&] {
        subLog(QStringLiteral("Reading the value of the Outlook property ") + strPropName);
    });
    cOlUserPropertyPtr prop;
    if (item)
        prop = item->UserProperties().Find(strPropName);

    if (!prop) {
        switch (intValueType) {
        case vbInteger: {
            const auto d = fncNumericValue(varDefault);
            const auto i = d ? fncToInteger(*d) : std::nullopt;
            return fncInteger(i ? *i : qint16(0));
        }
        case vbDouble: {
            const auto d = fncNumericValue(varDefault);
            return QVariant(d.value_or(0.0));
        }
        case vbString:
            return fncVariantText(varDefault);
        case vbBoolean: {
            const auto d = fncNumericValue(varDefault);
            return QVariant(d ? *d != 0.0 : false);
        }
        case vbDate:
            return fncToDate(varDefault);
        default:
            return varDefault;
        }
    }

    const QVariant& value = prop->Value();
    switch (intValueType) {
    case vbInteger: {
        const auto d = fncNumericValue(value);
        const auto i = d ? fncToInteger(*d) : std::nullopt;
        return fncInteger(i ? *i : qint16(0));
    }
    case vbDouble:
        return QVariant(fncNumericValue(value).value_or(0.0));
    case vbString: {
        const QString text = fncVariantText(value);
        const QString def = fncVariantText(varDefault);
        return text.isEmpty() && !def.isEmpty() ? def : text;
    }
    case vbBoolean:
        return QVariant(fncToBoolean(value).value_or(false));
    case vbDate:
        return fncToDate(value);
    default:
        return value;
    }
}

qint32 fncLongPropertyLastIndex(qsizetype intLength)
{
    // Half to even: 500 -> 0, 1500 -> 2, 2500 -> 2, 2600 -> 3.
    const qsizetype whole = intLength / 1000;
    const qsizetype rest = intLength % 1000;
    if (rest > 500 || (rest == 500 && whole % 2 == 1))
        return static_cast<qint32>(whole + 1);
    return static_cast<qint32>(whole);
}

void subFixLongProperty(const cOlAppointmentItemPtr& item, const QString& strValue,
    const QString& strPropName, bool blnSilent)
{
    resumeNext(
        [&] { subLog(QStringLiteral("Entering subFixLongProperty to save ") + strPropName); });
    bool blnFailed = !item;
    const qint32 n = fncLongPropertyLastIndex(strValue.size());
    if (item) {
        cOlUserProperties& props = item->UserProperties();
        for (qint32 i = 0; i <= n; ++i) {
            try {
                props.Add(strPropName + QString::number(i), olText)
                    ->setValue(strValue.mid(qsizetype(i) * 1000, 1000));
            } catch (const cProgramEnded&) {
                throw;
            } catch (...) {
                blnFailed = true;
            }
        }
        try {
            props.Add(strPropName + QStringLiteral("Count"), olNumber)->setValue(n);
        } catch (const cProgramEnded&) {
            throw;
        } catch (...) {
            blnFailed = true;
        }
    }
    // One message for the whole text, not one per piece.
    if (blnFailed && !blnSilent)
        subAssistantMessage(QStringLiteral("Failed to save ") + strPropName + QLatin1Char(' ')
            + fncPhrase("LNGCHECKPERM"));
}

QString fncGetLongProperty(const cOlAppointmentItemPtr& item, const QString& strPropName)
{
    resumeNext([] { subLog(QStringLiteral("Entering fncGetLongProperty")); });
    const qint16 n
        = fncGetOutlookValue(item, strPropName + QStringLiteral("Count"), vbInteger, QString())
              .value<qint16>();
    QString result;
    for (qint32 i = 0; i <= n; ++i)
        result += fncGetOutlookValue(item, strPropName + QString::number(i), vbString, QString())
                      .toString();
    return result;
}

QString fncUserNameFromMailboxName(const QString& strFolderName)
{
    const QString separator = QStringLiteral(" - ");
    const int at = strFolderName.indexOf(separator, 0, Qt::CaseInsensitive);
    if (at >= 0)
        return strFolderName.mid(at + separator.size()).trimmed();
    if (strFolderName.contains(QLatin1Char(',')))
        return strFolderName;
    return QString();
}

QString fncLoginName()
{
    for (const char* var : { "USER", "LOGNAME", "USERNAME" }) {
        const QString name = qEnvironmentVariable(var);
        if (!name.isEmpty())
            return name;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString();
}

void subGetSafeMailboxName()
{
    Session& s = session();
    subLog(QStringLiteral("Getting current user full name from mailbox name"));
    if (!s.application)
        subStartOutlook(olFolderInbox);
    if (!s.application)
        subEndProgram(intExitFailure);
    QString strName;
    resumeNext([&] {
        const cOlNameSpacePtr ns
            = s.nameSpace ? s.nameSpace : s.application->GetNamespace(QStringLiteral("MAPI"));
        if (const cOlFolderPtr top = ns->GetDefaultFolder(olFolderCalendar)->Parent())
            strName = fncUserNameFromMailboxName(top->Name());
    });
    if (strName.isEmpty())
        strName = fncLoginName();
    s.strUserName = strName;
}

QString fncGetUserName()
{
    subGetSafeMailboxName();
    return session().strUserName;
}

void subFindActiveFolder(qint16 /*intFolderType*/)
{
    Session& s = session();
    bool ok = false;
    resumeNext([&] {
        if (!s.application)
            subStartOutlook(olFolderInbox);
        if (s.application) {
            s.currentFolder = s.application->ActiveFolder();
            ok = s.currentFolder != nullptr;
        }
    });
    if (!ok)
        subAssistantMessage(QStringLiteral("Unable to connect to current Outlook folder!"));
}

void subReleaseOutlook()
{
    // The program's windows are unloaded by an end hook of the window layer.
    Session& s = session();
    s.nameSpace.reset();
    s.currentFolder.reset();
    s.application.reset();
}

cOlAppointmentItemPtr fncGetSettingsAppointment()
{
    try {
        const cOlFolderPtr folder = session().currentFolder;
        if (!folder)
            return nullptr;
        cOlAppointmentItemPtr item = folder->Items().Item(strSettingsSubject);
        return item && item->IsAppointment() ? item : nullptr;
    } catch (const cProgramEnded&) {
        throw;
    } catch (...) {
        return nullptr;
    }
}

cOlAppointmentItemPtr fncNewSettingsAppointment()
{
    const cOlFolderPtr folder = session().currentFolder;
    if (!folder)
        return nullptr;
    cOlAppointmentItemPtr item = folder->Items().Add();
    item->setSubject(strSettingsSubject);
    item->setStart(dteSettingsDate);
    return item;
}

QString fncCalendarSaveProblem(qint32 lngNumber)
{
    switch (lngNumber) {
    case lngItemDamaged:
        return fncPhrase("LNGCALENDARCOPYDAMAGED");
    case lngItemChanged:
        return fncPhrase("LNGCALENDARCOPYCHANGED");
    default:
        return fncPhrase("LNGCALENDARCOPYREADONLY");
    }
}

cOlApplicationPtr fncOutlookApplication()
{
    return session().application;
}
cOlNameSpacePtr fncOutlookNameSpace()
{
    return session().nameSpace;
}
cOlFolderPtr fncCurrentFolder()
{
    return session().currentFolder;
}
void subSetCurrentFolder(cOlFolderPtr folder)
{
    session().currentFolder = std::move(folder);
}
QString fncCurrentUserName()
{
    return session().strUserName;
}

void subResetOutlookState()
{
    subReleaseOutlook();
    session() = Session();
    cOlApplication::setVersionText(QString());
    cOlApplication::setActiveFolderType(olFolderCalendar);
}
