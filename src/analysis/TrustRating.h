#pragma once
// After the last test: the one adjustment of the rating class, the order of the rows, and
// what the class says (title, description, colour, messages).

#include "analysis/AnalysisReport.h"
#include "analysis/RunFlags.h"
#include "codec/IExifCodec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pellvane {

// Adjusts the class once: fewer than 4 rows cannot earn more than 4 (a 4 or 5 drops by one);
// a 2 or 3 rises by one for a valid Multi-Picture Format block (unless a Nikon thumbnail
// carries the main picture's signature) and by one more for a Fujifilm file with FlashPix
// data, since those are structures editors rarely write back.
int16_t AdjustRatingClass(int16_t ratingClass, size_t rowCount, const RunFlags& flags,
                          const IExifCodec& codec);

// Orders the rows by level, worst first; rows of equal level by caption, compared byte by byte.
void SortRows(std::vector<ResultRow>& rows);

struct ClassText {
    std::string title;       // "Class 1" to "Class 5", translated
    std::string description; // the class sentence, translated
    uint32_t colour = 0;     // 0xRRGGBB
};

// The title, description and colour of a class; a class outside 1..5 gets an empty
// description and the colour of the good classes.
ClassText RatingClassText(int16_t ratingClass);

// The camera the notice of classes 4 and 5 names: the Model text (or the Make text when there
// is no model), preceded by the maker's name in capitals unless the text already holds it.
std::string CameraName(const IExifCodec& codec);

// The messages, icons, panels and link of a class.
RatingMessages ChooseMessages(int16_t ratingClass, const RunFlags& flags, const IExifCodec& codec);

} // namespace pellvane
