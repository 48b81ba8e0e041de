#include "app/PdfUnderlay.h"

#include <map>
#include <memory>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

std::optional<std::string> withUnderlays(const std::string& pdf,
                                         const std::vector<PdfUnderlay>& underlays,
                                         std::vector<std::string>& problems) {
    if (underlays.empty()) return pdf;
    try {
        QPDF out;
        out.setSuppressWarnings(true);
        out.processMemoryFile("lesson", pdf.data(), pdf.size());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(out).getAllPages();
        // Kept open until the output is written: copied objects are read from them then.
        std::map<std::string, std::unique_ptr<QPDF>> sources;
        for (const PdfUnderlay& u : underlays) {
            if (u.page < 0 || static_cast<std::size_t>(u.page) >= pages.size()) continue;
            try {
                std::unique_ptr<QPDF>& source = sources[u.file];
                if (!source) {
                    source = std::make_unique<QPDF>();
                    source->setSuppressWarnings(true);
                    source->processFile(u.file.c_str());
                }
                std::vector<QPDFPageObjectHelper> from = QPDFPageDocumentHelper(*source).getAllPages();
                const std::size_t index = u.sourcePage == 0 ? 0 : u.sourcePage - 1;
                if (index >= from.size()) throw std::runtime_error("no such page");
                QPDFObjectHandle form = out.copyForeignObject(from[index].getFormXObjectForPage());
                QPDFPageObjectHelper& page = pages[static_cast<std::size_t>(u.page)];
                QPDFObjectHandle resources = page.getAttribute("/Resources", true);
                if (!resources.isDictionary()) {
                    resources = QPDFObjectHandle::newDictionary();
                    page.getObjectHandle().replaceKey("/Resources", resources);
                }
                if (!resources.getKey("/XObject").isDictionary())
                    resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
                int suffix = 0;
                const std::string name = resources.getUniqueResourceName("/Material", suffix);
                resources.getKey("/XObject").replaceKey(name, form);
                const io::Placement& p = u.placement;
                const std::string place = page.placeFormXObject(
                    form, name, QPDFObjectHandle::Rectangle(p.x, p.y, p.x + p.width, p.y + p.height),
                    true, true, true);
                page.addPageContents(QPDFObjectHandle::newStream(&out, "q\n" + place + "\nQ\n"), true);
            } catch (const std::exception& e) {
                problems.push_back("Could not put " + u.file + " under page " +
                                   std::to_string(u.page) + ": " + e.what());
            }
        }
        QPDFWriter writer(out);
        writer.setOutputMemory();
        writer.write();
        const auto buffer = writer.getBufferSharedPointer();
        return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
    } catch (const std::exception& e) {
        problems.push_back(std::string("Could not put the material under the pages: ") + e.what());
        return std::nullopt;
    }
}
