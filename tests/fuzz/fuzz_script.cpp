// The creation script: split into batches at its GO lines, and the batches joined again with
// "GO n" lines split into the same batches (up to line ends: a CR before the joining LF is
// taken as part of a CR LF).
#include "FuzzSupport.h"
#include "modDBCreate.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    const QString strScript = QString::fromUtf8(hvfuzz::fncBytes(data, size));
    QStringList colBatches;
    if (!hvfuzz::fncAccepts([&] { colBatches = fncSplitSqlScript(strScript); }))
        return 0;
    // Each run of equal batches once, its length (up to 100, well below any bound on repeats)
    // on the GO line.
    QString strJoined;
    for (qsizetype i = 0, n = 1; i < colBatches.size(); i += n, n = 1) {
        while (n < 100 && i + n < colBatches.size() && colBatches.at(i + n) == colBatches.at(i))
            ++n;
        strJoined += colBatches.at(i); // a last single batch ends the script without a GO
        if (n > 1 || i + n < colBatches.size())
            strJoined += QStringLiteral("\nGO %1\n").arg(n);
    }
    QStringList colAgain;
    hvfuzz::subCheck(hvfuzz::fncAccepts([&] { colAgain = fncSplitSqlScript(strJoined); }),
        "joined batches are split", strJoined);
    const auto withoutCr = [](QStringList col) {
        for (QString& strBatch : col)
            strBatch.remove(QLatin1Char('\r'));
        return col;
    };
    hvfuzz::subCheck(withoutCr(colAgain) == withoutCr(colBatches),
        "joined batches split into themselves",
        strScript + QStringLiteral("\n-- joined --\n") + strJoined);
    return 0;
}
