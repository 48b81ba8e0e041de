// Material as the importer and the page backgrounds meet it: the bytes are checked, read
// by the toolkit as the import reads them and, when accepted, the first page is drawn
// small as the board would draw it. Nothing may crash, hang or trip a sanitizer.
#include <QGuiApplication>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "io/Material.h"
#include "material/BackgroundSource.h"
#include "material/QtMaterialInspector.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_material";
    static char* argv[] = {name, nullptr};
    static const bool ready = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
        return true;
    }();
    (void)ready;
    static QtMaterialInspector inspector;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!io::materialProblem("", bytes).empty()) return 0;
    const io::MaterialKind kind = *io::sniffMaterial(bytes);
    const MaterialPages pages = inspector.inspect(bytes, kind);
    if (!pages.problem.empty() || pages.count < 1) return 0;
    static const std::string folder = "/tmp/fuzz_material." + std::to_string(getpid());
    static const bool made = [] { return std::system(("mkdir -p " + folder).c_str()) == 0; }();
    if (!made) return 0;
    const std::string file = std::string("m.") + io::materialExtension(kind);
    std::ofstream(folder + "/" + file, std::ios::binary) << bytes;
    BackgroundSource source(folder);  // fresh: no document kept from an earlier input
    source.render(file, 1, 64);
    return 0;
}
