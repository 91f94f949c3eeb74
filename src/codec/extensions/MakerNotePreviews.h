#pragma once
// Preview images that camera makers store through tags of their MakerNote (Pentax, Nikon,
// Olympus, Epson, Sony). The directory walk reports each MakerNote entry; the entries that
// describe a preview add or fill a record here. Once the image data is located, every record
// whose bytes start like a JPEG is copied to a temporary file of its own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellvane {

// One preview image found in the MakerNote.
struct MakerNoteImage {
    std::string streamPath;       // temporary file holding the image, or ""
    int32_t streamSize = 0;       // the image's length; after extraction the bytes written
    int32_t sizeCopy = 0;         // equals streamSize once extracted
    int32_t entryPosition = 0;    // the tag's directory entry, relative to the MakerNote start
    int32_t offset = 0;           // the offset value the MakerNote tag holds
    int32_t relativePosition = 0; // from the MakerNote start, or (in trailing data) from the end of the image
    int32_t position = 0;         // absolute file position of the image bytes
    bool valid = false;           // the bytes start as a preview of its source must
    bool inTrailingData = false;  // treated as lying outside the metadata
    bool withheld = false;        // not extracted: the temporary-file budget was spent
};

// Everything the preview search keeps for one file.
struct MakerNotePreviews {
    std::vector<MakerNoteImage> images;
    // The one record that the Pentax and Nikon tags fill together.
    std::optional<size_t> pairedRecord;
    // The record that Olympus's preview sub-directory opened last.
    std::optional<size_t> olympusRecord;
    // The shift at which the Sony preview was found; 0 when none.
    int32_t sonyShift = 0;
};

// Deletes the temporary files of the extracted previews and forgets every record.
void ReleaseMakerNotePreviews(MakerNotePreviews& previews);

} // namespace pellvane
