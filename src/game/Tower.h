#pragma once

#include "game/MilitaryBuilding.h"

namespace BV {

// The one kind of building the game creates.
class Tower : public MilitaryBuilding {
public:
    using MilitaryBuilding::MilitaryBuilding;
};

} // namespace BV
