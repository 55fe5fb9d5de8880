// Do-nothing stand-ins for services a player runs without (no window yet, no video, tests).
#pragma once

#include "PlayerServices.h"

namespace sorvel {

// Fills every null member of `services` with a shared do-nothing stand-in.
PlayerServices WithNullServices(PlayerServices services);

} // namespace sorvel
