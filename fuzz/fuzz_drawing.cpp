// libFuzzer target for a loaded page's life in the document: whatever the page holds
// (huge, tiny, coincident or off-page points, zero or enormous radii), loading it, zooming,
// exporting, erasing, selecting and saving must not crash or trip a sanitizer.
#include <cstdint>
#include <sstream>

#include "document/Drawing.h"
#include "io/PageFile.h"
#include "io/SvgFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto page = io::parsePage(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!page) return 0;
    static std::ostringstream log;
    log.str("");
    static Drawing* drawing = [] {
        auto* d = new Drawing(log);  // one document for the run; cleared for every input
        d->brush.setTraceStream(nullptr);
        d->view.viewWidth = 1000.0f;
        d->view.viewHeight = 1000.0f;
        return d;
    }();
    Drawing& d = *drawing;
    d.clear();
    d.view = View{};
    d.view.viewWidth = d.view.viewHeight = 1000.0f;
    d.loadContent(*page);

    for (float zoom : {3.0f, 10.0f}) {
        d.view.zoom = zoom;
        d.refreshVisibleStrokes();
    }
    (void)io::formatSvg(d.exportOutlines());
    (void)exportOutlines(*page);
    d.view = View{};
    d.view.viewWidth = d.view.viewHeight = 1000.0f;
    if (d.selectAt(300.0f, 300.0f)) {
        d.moveSelection(5.0f, -3.0f);
        d.rotateSelection(0.3f);
        d.fitSelectionBox();
    }
    for (float t = 50.0f; t < 950.0f; t += 150.0f) d.eraseAt(t, t, 1.0f);
    (void)d.pageText();
    return 0;
}
