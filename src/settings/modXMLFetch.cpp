#include "modXMLFetch.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {
int g_intTimeout = 15000;

QByteArray fncReadLocalFile(const QString& strPath)
{
    QFile file(strPath);
    const QFileInfo info(strPath);
    if (!info.isFile() || info.size() > lngMaxXmlBytes || !file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray bytes = file.read(lngMaxXmlBytes + 1);
    return bytes.size() > lngMaxXmlBytes ? QByteArray() : bytes;
}

QByteArray fncReadNetwork(const QUrl& url)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(g_intTimeout);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    bool tooLarge = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop,
        [reply, &tooLarge](qint64 received, qint64 total) {
            if (received > lngMaxXmlBytes || total > lngMaxXmlBytes) {
                tooLarge = true;
                reply->abort();
            }
        });
    // The transfer time-out only counts silence; a server that trickles is stopped here.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline.start(g_intTimeout);
    if (!reply->isFinished())
        loop.exec();
    QByteArray bytes;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!tooLarge && reply->error() == QNetworkReply::NoError
        && (status == 0 || (status >= 200 && status < 300)))
        bytes = reply->read(lngMaxXmlBytes + 1);
    delete reply;
    return bytes.size() > lngMaxXmlBytes ? QByteArray() : bytes;
}
} // namespace

int fncXmlReadTimeout()
{
    return g_intTimeout;
}
void subSetXmlReadTimeout(int intMilliseconds)
{
    g_intTimeout = intMilliseconds;
}

QByteArray fncGetXMLText(const QString& strAddress)
{
    try {
        const QUrl url(strAddress);
        const QString scheme = url.scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
            return fncReadNetwork(url);
        if (scheme == QLatin1String("file"))
            return fncReadLocalFile(url.toLocalFile());
        return fncReadLocalFile(strAddress);
    } catch (...) {
        return QByteArray();
    }
}
