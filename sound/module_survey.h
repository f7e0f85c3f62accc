#pragma once

#include <string>
#include <vector>

#include "sound/module.h"

namespace vimsa {

// Something a module holds that the player does not play, and how often it
// occurs: effects in every stored pattern, instruments and samples with a
// feature that is passed over.
struct Unplayed {
    std::string what;
    int count = 0;
};

// What of a parsed module the player does not play, in the order first met;
// empty when everything is played.
std::vector<Unplayed> SurveyUnplayed(const Module& module);

}  // namespace vimsa
