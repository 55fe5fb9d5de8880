// What a drop on one of the player's windows carries.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace sorvel {

// The local files and folders, whole names in the order given; anything else is left out.
std::vector<std::string> droppedPaths(const QMimeData& data);

} // namespace sorvel
