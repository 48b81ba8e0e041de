#include "io/SafeFile.h"
#include "share/PageFolder.h"
#include "share/ShareSession.h"

namespace share {

namespace {

class PageFiles final : public PageFolder {
public:
    explicit PageFiles(std::function<std::string(int)> pageFile) : pageFile_(std::move(pageFile)) {}

    std::optional<io::PageContent> read(int page) override { return io::readPageFile(pageFile_(page)); }

    std::string keepRescue(int page, const std::string& text) override {
        const std::string name = io::claimFreeName(pageFile_(page) + ".rescue");
        return !name.empty() && io::replaceFileContents(name, text) ? name : "";
    }

private:
    std::function<std::string(int)> pageFile_;
};

}  // namespace

std::unique_ptr<PageFolder> pageFilesFolder(std::function<std::string(int)> pageFile) {
    return std::make_unique<PageFiles>(std::move(pageFile));
}

ShareSession::ShareSession(Drawing& drawing, PageHistories& histories, RoomLink& link,
                           Identity identity, std::ostream& log,
                           std::function<std::string(int)> pageFile, BoardStore* store,
                           Clock clock)
    : ShareSession(drawing, histories, link, identity, log, pageFilesFolder(std::move(pageFile)),
                   store, std::move(clock)) {}

}  // namespace share
