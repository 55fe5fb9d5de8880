#include "dropped_paths.h"

#include <QMimeData>
#include <QUrl>

namespace sorvel {

std::vector<std::string> droppedPaths(const QMimeData& data) {
    std::vector<std::string> items;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile()) {
            items.push_back(url.toLocalFile().toStdString());
        }
    }
    return items;
}

} // namespace sorvel
