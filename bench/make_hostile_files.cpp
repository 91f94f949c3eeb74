// Writes the hostile files that bench_budgets.sh measures into a folder, one per kind.

#include "support/HostileFiles.h"
#include "support/JpegBuilder.h"

#include <cstdio>
#include <filesystem>

using namespace pellvane;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hostile_files FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    // 1: IFD0 of 32767 entries naming the same 1 MiB, as UNDEFINED and as ASCII.
    test::WriteFile(folder / "1-tag-values-undefined.jpg", test::TagAmplificationFile(32767, 1 << 20, 7));
    test::WriteFile(folder / "1-tag-values-ascii.jpg", test::TagAmplificationFile(32767, 1 << 20, 2));
    // 2: an XMP packet of 2 million CR LF pairs (4 MB).
    test::WriteFile(folder / "2-crlf-xmp.jpg", test::CrLfXmpFile(2'000'000));
    // 3: 4000 MPF entries naming one 15000 x 16000 arithmetic-coded picture; a thumbnail declaring
    // 240 MP; 1000 MPF entries naming the same 3 MB photo.
    const ByteArray huge = test::DeclaredHugeJpeg(15000, 16000);
    test::WriteFile(folder / "3-mpf-huge-declared.jpg", test::MpfAmplificationFile(4000, huge));
    test::WriteFile(folder / "3-thumbnail-huge-declared.jpg", test::ThumbnailFile(huge));
    test::WriteFile(folder / "3-mpf-same-photo.jpg",
                    test::MpfAmplificationFile(1000, test::EncodeSmallJpeg(3000, 2000)));
    // 4: the --tags listing of 1000 SHORT entries naming the same 1 MiB (run with --tags).
    test::WriteFile(folder / "4-tags-short.jpg", test::TagAmplificationFile(1000, 1 << 20, 3));
    // 6: a small picture in a sparse file of 2047 MiB and one of 2.5 GB.
    for (const auto& [name, size] : {std::pair{"6-2047-mib.jpg", uintmax_t{2047} << 20},
                                     std::pair{"6-2500-mb.jpg", uintmax_t{2'500'000'000}}}) {
        test::WriteFile(folder / name, test::EncodeSmallJpeg(64, 48));
        std::filesystem::resize_file(folder / name, size);
    }
    return 0;
}
