#pragma once
// Camera maker codes, as `Manufacturer` answers them. Codes without a maker (26) stay unnamed.

#include <cstdint>

namespace pellvane {

enum Maker : int32_t {
    kMakerUnknown = 0,
    kMakerCanon = 1,
    kMakerNikon = 2,
    kMakerSony = 3,
    kMakerFujifilm = 4,
    kMakerOlympus = 5,
    kMakerPanasonic = 6,
    kMakerPentax = 7,
    kMakerCasio = 8,
    kMakerLeica = 9,
    kMakerKodak = 10,
    kMakerRicoh = 11,
    kMakerSamsung = 12,
    kMakerSigma = 13,
    kMakerMinolta = 14,
    kMakerKyocera = 15,
    kMakerPhaseOne = 16,
    kMakerFoveon = 17,
    kMakerSanyo = 18,
    kMakerBenQ = 19,
    kMakerEpson = 20,
    kMakerPolaroid = 21,
    kMakerAgfa = 22,
    kMakerApple = 23,
    kMakerNokia = 24,
    kMakerHp = 25,
    kMakerToshiba = 27,
    kMakerVivitar = 28,
    kMakerDji = 29,
    kMakerHuawei = 30,
};

} // namespace pellvane
