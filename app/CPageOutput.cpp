#include "CPageOutput.h"

#include "CBatchConverter.h"

CPageOutput::Kind CPageOutput::Of(const std::string& strOutput) {
    if (CBatchConverter::HasExtension(strOutput, ".pdf")) {
        return Kind::pdf;
    }
    if (CBatchConverter::HasExtension(strOutput, ".svg")) {
        return Kind::svg;
    }
    if (CBatchConverter::HasExtension(strOutput, ".png")) {
        return Kind::png;
    }
    return Kind::none;
}
