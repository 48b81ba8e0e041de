#include "app/LaunchOptions.h"

#include "nats/RoomAddress.h"

namespace {
LaunchOptions badUsage(std::string error) {
    LaunchOptions o;
    o.action = LaunchOptions::Action::BadUsage;
    o.error = std::move(error);
    return o;
}
}  // namespace

LaunchOptions parseLaunchOptions(const std::vector<std::string>& args) {
    LaunchOptions o;
    bool optionsEnded = false;
    bool haveFolder = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsEnded && a.size() > 1 && a[0] == '-') {
            if (a == "--") {
                optionsEnded = true;
            } else if (a == "-h" || a == "--help") {
                o.action = LaunchOptions::Action::Help;
                return o;
            } else if (a == "--version") {
                o.action = LaunchOptions::Action::Version;
                return o;
            } else if (a == "--windowed") {
                o.windowed = true;
            } else if (a == "--in-documents") {
                o.inDocuments = true;
            } else if (a == "--import") {
                // Every argument up to the next option is a file to bring in.
                const std::size_t first = o.importFiles.size();
                while (i + 1 < args.size() && !(args[i + 1].size() > 1 && args[i + 1][0] == '-'))
                    o.importFiles.push_back(args[++i]);
                if (o.importFiles.size() == first) return badUsage("--import needs a file");
            } else if (a == "--replay") {
                if (i + 1 == args.size() || args[i + 1].empty())
                    return badUsage("--replay needs a script file");
                o.replayScript = args[++i];
            } else if (a == "--share") {
                if (i + 1 == args.size()) return badUsage("--share needs a room: nats://HOST:PORT/ROOM");
                o.share = args[++i];
                std::string error;
                if (!share::parseRoomAddress(o.share, error)) return badUsage("--share " + o.share + ": " + error);
            } else if (a == "--share-credentials") {
                if (i + 1 == args.size() || args[i + 1].empty())
                    return badUsage("--share-credentials needs a file");
                o.shareCredentials = args[++i];
            } else if (a == "--share-ca") {
                if (i + 1 == args.size() || args[i + 1].empty())
                    return badUsage("--share-ca needs a file");
                o.shareCa = args[++i];
            } else {
                return badUsage("unknown option " + a);
            }
            continue;
        }
        if (a.empty()) return badUsage("the folder name is empty");
        if (haveFolder) return badUsage("more than one folder given: " + o.folder + ", " + a);
        o.folder = a;
        haveFolder = true;
    }
    if (haveFolder && o.inDocuments) return badUsage("give either FOLDER or --in-documents");
    if (!o.shareCredentials.empty() && o.share.empty())
        return badUsage("--share-credentials goes with --share");
    if (!o.shareCa.empty() && o.share.empty()) return badUsage("--share-ca goes with --share");
    return o;
}

std::string launchUsage() {
    return "Usage: inkboard [OPTION]... [FOLDER]\n"
           "Draw with pen, touch or mouse. Pages (0.xml, 1.xml, ...), SVG exports and command\n"
           "logs are read and written in FOLDER, which is created if missing; without FOLDER,\n"
           "in the working directory.\n"
           "\n"
           "  --in-documents   use the folder \"inkboard\" in your documents folder\n"
           "  --import FILE... bring PDFs and pictures (PNG, JPEG, SVG) in as pages after\n"
           "                   the last page; every argument up to the next option is a file\n"
           "  --windowed       start in an 800 x 600 window instead of filling the screen\n"
           "  --replay SCRIPT  play the input script SCRIPT in an 800 x 600 window, then exit\n"
           "  --share nats://HOST:PORT[,HOST:PORT...]/ROOM\n"
           "                   share the pages live with the other boards in room ROOM\n"
           "                   (letters, digits, - and _) on a NATS JetStream server or\n"
           "                   cluster; tls://... for servers that speak TLS\n"
           "  --share-credentials FILE\n"
           "                   the server's user:password or token, in a file only you may read\n"
           "  --share-ca FILE  check a tls:// room's servers against these certificate\n"
           "                   authorities (PEM) instead of the system's\n"
           "  -h, --help       print this help and exit\n"
           "  --version        print the version and exit\n";
}
