// Drives the content-model engine. The first bytes build a small content
// model over three element names; the rest is tokenized and matched against
// it and against both music file models. A match must end, must leave an
// element tree that the writer can print, and a failure must carry a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "musicfile/MuzFile.h"
#include "musicfile/XmlLayer.h"

namespace {

using namespace korvane;

struct ModelBytes {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;
    int next() { return pos < size ? data[pos++] : 0; }
};

TDTDRef buildModel(ModelBytes& in, int depth) {
    static const char* const names[] = {"A", "B", "C"};
    const int op = depth >= 4 ? in.next() % 3 : in.next() % 10;
    const char* name = names[in.next() % 3];
    switch (op) {
        case 0:
            return DTDText(name);
        case 1:
            return DTDEmptyElement(name);
        case 2:
            return DTDSeq({});
        case 3:
            return DTDElement(name, buildModel(in, depth + 1));
        case 4:
            return DTDSeq({buildModel(in, depth + 1), buildModel(in, depth + 1)});
        case 5:
            return DTDAlt({buildModel(in, depth + 1), buildModel(in, depth + 1)});
        case 6:
            return DTDOpt(buildModel(in, depth + 1));
        case 7:
            return DTDStar(buildModel(in, depth + 1));
        case 8:
            return DTDPlus(buildModel(in, depth + 1));
        default:
            return DTDElement(name, DTDStar(buildModel(in, depth + 1)));
    }
}

void check(const TDTDItem& model, const std::vector<TXMLToken>& tokens) {
    TXMLCompound root("Root");
    TMatchResult result = MatchXML(model, tokens, root);
    if (!result.Ok && result.Message.empty()) std::abort();
    if (result.Ok && !result.Message.empty()) std::abort();
    (void)XMLDocumentText(root);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t modelBytes = data[0] % 32;
    if (size < 1 + modelBytes) return 0;
    ModelBytes in{data + 1, modelBytes};
    TDTDRef model = DTDElement("A", buildModel(in, 0));
    const std::string text(reinterpret_cast<const char*>(data + 1 + modelBytes), size - 1 - modelBytes);
    std::vector<TXMLToken> tokens;
    std::string message;
    if (!TokenizeXMLText("\n\n" + text, tokens, message)) return 0;
    check(*model, tokens);
    check(MuzModel71(), tokens);
    check(MuzModel70(), tokens);
    return 0;
}
