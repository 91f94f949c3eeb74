#include "codec/extensions/Manufacturer.h"

#include "codec/Makers.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace pellvane {
namespace {

struct MakeKey {
    std::string_view key;
    int32_t code;
};

// Tested in this order; the first key contained in the upper-cased Make wins, so a Make
// naming both SONY and OLYMPUS is Sony's.
constexpr std::array<MakeKey, 23> kMakeKeys = {{
    {"CANON", kMakerCanon},     {"NIKON", kMakerNikon},         {"SONY", kMakerSony},
    {"OLYMPUS", kMakerOlympus}, {"PANASONIC", kMakerPanasonic}, {"FUJI", kMakerFujifilm},
    {"RICOH", kMakerRicoh},     {"CASIO", kMakerCasio},         {"PENTAX", kMakerPentax},
    {"SAMSUNG", kMakerSamsung}, {"SIGMA", kMakerSigma},         {"APPLE", kMakerApple},
    {"LEICA", kMakerLeica},     {"EPSON", kMakerEpson},         {"FOVEON", kMakerFoveon},
    {"BENQ", kMakerBenQ},       {"SANYO", kMakerSanyo},         {"CONTAX", kMakerKyocera},
    {"KYOCERA", kMakerKyocera}, {"KONICA", kMakerMinolta},      {"MINOLTA", kMakerMinolta},
    {"DJI", kMakerDji},         {"HUAWEI", kMakerHuawei},
}};

constexpr std::array<std::string_view, 31> kNames = {
    "",         "Canon",  "Nikon", "Sony",    "Fujifilm", "Olympus",  "Panasonic", "Pentax",
    "Casio",    "Leica",  "Kodak", "Ricoh",   "Samsung",  "Sigma",    "Minolta",   "Kyocera",
    "PhaseOne", "Foveon", "Sanyo", "BenQ",    "Epson",    "Polaroid", "Agfa",      "Apple",
    "Nokia",    "HP",     "",      "Toshiba", "Vivitar",  "DJI",      "Huawei",
};

} // namespace

int32_t ManufacturerFromMake(std::string_view make) {
    std::string upper(make);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    for (const auto& [key, code] : kMakeKeys)
        if (upper.find(key) != std::string::npos) return code;
    return 0;
}

std::string ManufacturerName(int32_t code) {
    if (code < 0 || code >= static_cast<int32_t>(kNames.size())) return "";
    return std::string(kNames[static_cast<size_t>(code)]);
}

} // namespace pellvane
