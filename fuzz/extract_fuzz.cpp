// The text extractors of the document index that run on untrusted bytes in-process when the
// child reads them: RTF, HTML/XML and the zipped office formats. The first byte picks the format.

#include "check.h"

#include "search/extract.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = FuzzBytes(data + 1, size - 1).toByteArray();
    switch (data[0] % 4) {
    case 0: FUZZ_CHECK(RtfText(bytes).size() <= MaxTextChars); break;
    case 1: FUZZ_CHECK(MarkupText(bytes).size() <= MaxTextChars); break;
    case 2: FUZZ_CHECK(PlainText(bytes).size() <= MaxTextChars); break;
    default: {
        const TExtracted zipped = ZipText(bytes, (data[0] & 4) ? TDocKind::OfficeXml : TDocKind::OpenDocument);
        FUZZ_CHECK(zipped.Text.size() <= MaxTextChars);
        // Nothing bigger than the input can have been unpacked beyond what its entries declare.
        FUZZ_CHECK(zipped.Ok() || !zipped.Error.isEmpty());
    }
    }
    return 0;
}
