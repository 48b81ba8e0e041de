#include "controller/CommandLog.h"

#include "controller/PageFiles.h"
#include "io/SafeFile.h"
#include "io/XmlWriter.h"

std::string CommandLog::format() const {
    io::XmlWriter xml;
    xml.declaration();
    xml.openElement("CommandLog");
    for (std::size_t i = 0; i < codes_.size(); ++i) {
        xml.openElement("c");
        xml.attributeInteger("v", codes_[i]);
        xml.attributeFixed6("t", times_[i]);
        xml.closeElement();
    }
    static constexpr const char* names[4] = {"an", "cAn", "sT", "dT"};
    for (std::size_t i = 0; i + 4 <= strokeRecords_.size(); i += 4) {
        xml.openElement("a");
        for (std::size_t k = 0; k < 4; ++k) xml.attributeFixed6(names[k], strokeRecords_[i + k]);
        xml.closeElement();
    }
    xml.closeElement();
    return xml.take();
}

bool CommandLog::write(const std::string& path) const {
    return io::replaceFileContents(path, format());
}

bool CommandLog::write() const { return write(commandLogFileName(startStamp_)); }
