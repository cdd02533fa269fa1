// The rowset XML of the export: a file is read or refused (nullptr), and what was read is
// written in a form that reads back to the same bytes.
#include "FuzzSupport.h"
#include "modXMLExport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    const RecordsetPtr rs = fncRecordsetFromXMLText(hvfuzz::fncBytes(data, size));
    if (!rs)
        return 0;
    const QByteArray written = fncRecordsetToXml(*rs);
    const RecordsetPtr again = fncRecordsetFromXMLText(written);
    hvfuzz::subCheck(again != nullptr, "a written rowset is read", QString::fromUtf8(written));
    hvfuzz::subCheck(fncRecordsetToXml(*again) == written, "a written rowset reads back as written",
        QString::fromUtf8(written) + QStringLiteral("\n-- became --\n")
            + QString::fromUtf8(fncRecordsetToXml(*again)));
    return 0;
}
