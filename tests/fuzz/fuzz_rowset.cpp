// The rowset XML of the export: a file is read or refused (nullptr), and what was read is
// written as well-formed XML that reads back to the same bytes.
#include "FuzzSupport.h"
#include "modXMLExport.h"

#include <QXmlStreamReader>
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hvfuzz::subStartInput();
    const RecordsetPtr rs = fncRecordsetFromXMLText(hvfuzz::fncBytes(data, size));
    if (!rs)
        return 0;
    const QByteArray written = fncRecordsetToXml(*rs);
    // Our reader forgives more than others' readers do.
    QXmlStreamReader xml(written);
    while (!xml.atEnd())
        xml.readNext();
    hvfuzz::subCheck(!xml.hasError(), "a written rowset is well-formed XML",
        xml.errorString() + QStringLiteral("\n") + QString::fromUtf8(written));
    const RecordsetPtr again = fncRecordsetFromXMLText(written);
    hvfuzz::subCheck(again != nullptr, "a written rowset is read", QString::fromUtf8(written));
    hvfuzz::subCheck(fncRecordsetToXml(*again) == written, "a written rowset reads back as written",
        QString::fromUtf8(written) + QStringLiteral("\n-- became --\n")
            + QString::fromUtf8(fncRecordsetToXml(*again)));
    // Every value XML can carry comes back as it was.
    rs->MoveFirst();
    for (again->MoveFirst(); !rs->Eof() && !again->Eof(); rs->MoveNext(), again->MoveNext())
        for (int i = 0; i < rs->FieldCount(); ++i) {
            const QString strWas = rs->Value(i).toString();
            const bool blnCarriable = std::all_of(strWas.begin(), strWas.end(), [](QChar c) {
                return (c >= u' ' || c == u'\t' || c == u'\n' || c == u'\r') && !c.isSurrogate()
                    && c.unicode() < 0xFFFE;
            });
            hvfuzz::subCheck(!blnCarriable || again->Value(i).toString() == strWas,
                "a written value reads back as it was", strWas);
        }
    return 0;
}
