#!/usr/bin/env python3
"""Writes the crafted replay inputs of the fuzz targets whose fuzzing has found no crash yet.

Each input is a small file built byte by byte that takes its target through its main paths, so
that the replay under the sanitizers has something to catch. The pictures inside come from
`cjpeg` (libjpeg-turbo-progs). Run from anywhere; the inputs land beside this script, and each
folder's README names them with the reason they exist.
"""

import struct
import subprocess
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent

# TIFF value types.
BYTE, ASCII, SHORT, LONG, RATIONAL, UNDEFINED = 1, 2, 3, 4, 5, 7
TYPE_SIZE = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, UNDEFINED: 1}


def gradient_ppm(width, height):
    pixels = bytes(
        v for y in range(height) for x in range(width) for v in ((x * 10) % 256, (y * 15) % 256, ((x + y) * 7) % 256)
    )
    return b"P6\n%d %d\n255\n" % (width, height) + pixels


def cjpeg(width, height, *options):
    return subprocess.run(
        ["cjpeg", *options], input=gradient_ppm(width, height), capture_output=True, check=True
    ).stdout


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def with_segments(jpeg, *segments):
    """The picture with the segments inserted right after its SOI (and its JFIF segment dropped)."""
    assert jpeg[:4] == b"\xff\xd8\xff\xe0"
    jfif_end = 4 + struct.unpack(">H", jpeg[4:6])[0]
    return jpeg[:2] + b"".join(segments) + jpeg[jfif_end:]


def value_bytes(order, kind, value):
    if kind in (ASCII, UNDEFINED, BYTE):
        return value
    if kind == SHORT:
        return b"".join(struct.pack(order + "H", v) for v in value)
    if kind == LONG:
        return b"".join(struct.pack(order + "I", v) for v in value)
    return b"".join(struct.pack(order + "II", n, d) for n, d in value)


def count_of(kind, data):
    return len(data) // TYPE_SIZE[kind]


def tiff(order, ifd0, exif=None):
    """A TIFF structure: IFD0 with the given entries (tag, type, value) and, when `exif` is given,
    an Exif IFD it points to. Values longer than four bytes follow the directories."""
    header = (b"II" if order == "<" else b"MM") + struct.pack(order + "HI", 42, 8)
    directories = [sorted(ifd0)]
    if exif is not None:
        directories[0] = sorted(ifd0 + [(0x8769, LONG, [0])])  # offset patched below
        directories.append(sorted(exif))
    sizes = [2 + 12 * len(d) + 4 for d in directories]
    data_at = 8 + sum(sizes)
    out_dirs, out_data = [], b""
    dir_at = 8
    for index, entries in enumerate(directories):
        body = struct.pack(order + "H", len(entries))
        for tag, kind, value in entries:
            if tag == 0x8769:
                value = [8 + sizes[0]]
            data = value_bytes(order, kind, value)
            field = struct.pack(order + "HHI", tag, kind, count_of(kind, data))
            if len(data) <= 4:
                field += data.ljust(4, b"\0")
            else:
                field += struct.pack(order + "I", data_at + len(out_data))
                out_data += data + (b"\0" if len(data) % 2 else b"")
            body += field
        body += struct.pack(order + "I", 0)
        out_dirs.append(body)
        dir_at += sizes[index]
    return header + b"".join(out_dirs) + out_data


def exif_segment(tiff_bytes):
    return segment(0xE1, b"Exif\0\0" + tiff_bytes)


def camera_ifd0(order, software=None):
    entries = [
        (0x010F, ASCII, b"Canon\0"),
        (0x0110, ASCII, b"Canon PowerShot A610\0"),
        (0x0112, SHORT, [1]),
        (0x0132, ASCII, b"2024:05:01 10:20:30\0"),
    ]
    if software is not None:
        entries.append((0x0131, ASCII, software + b"\0"))
    return entries


def write(folder, name, data):
    path = HERE / folder / name
    path.write_bytes(data)
    print(f"{path.relative_to(HERE)}: {len(data)} bytes")


# --- fuzz_decode: every decoder the run reaches, and the decoder's error paths ---


def png_rgba(width, height):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    rows = b"".join(
        b"\0" + bytes(v for x in range(width) for v in (x * 30 % 256, y * 40 % 256, 128, 255 - x * y % 256))
        for y in range(height)
    )
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


def bmp_24bit(width, height):
    stride = (width * 3 + 3) & ~3
    rows = b"".join(
        bytes(v for x in range(width) for v in (x * 20 % 256, y * 30 % 256, 200)).ljust(stride, b"\0")
        for y in range(height)
    )
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(rows), 0, 0, 54) + info + rows


def tiff_rgb(width, height):
    pixels = bytes(v for y in range(height) for x in range(width) for v in (x * 40 % 256, y * 60 % 256, 90))
    strip_at = 8 + 2 + 12 * 10 + 4 + 6  # after the directory and the BitsPerSample values
    entries = [
        (256, SHORT, [width]),
        (257, SHORT, [height]),
        (258, SHORT, [8, 8, 8]),
        (259, SHORT, [1]),
        (262, SHORT, [2]),
        (273, LONG, [strip_at]),
        (277, SHORT, [3]),
        (278, SHORT, [height]),
        (279, LONG, [len(pixels)]),
        (284, SHORT, [1]),
    ]
    structure = tiff("<", entries)
    assert len(structure) == strip_at, (len(structure), strip_at)
    return structure + pixels


def decode_inputs():
    baseline = cjpeg(24, 16, "-quality", "80")
    write("fuzz_decode", "baseline-jpeg-with-orientation", with_segments(baseline, exif_segment(tiff("<", camera_ifd0("<")))))
    write("fuzz_decode", "progressive-jpeg", cjpeg(24, 16, "-progressive", "-quality", "60"))
    write("fuzz_decode", "jpeg-cut-in-its-scan", baseline[: len(baseline) * 2 // 3])
    write("fuzz_decode", "png-with-alpha", png_rgba(9, 7))
    write("fuzz_decode", "bmp-24-bit-padded-rows", bmp_24bit(5, 3))
    write("fuzz_decode", "tiff-uncompressed-rgb", tiff_rgb(4, 4))


# --- fuzz_identify_software: each rule that names an editing program ---


def software_inputs():
    picture = cjpeg(16, 16, "-quality", "75")
    gd_comment = b"ASCII\0\0\0CREATOR: gd-jpeg v1.0 (using IJG JPEG v80), quality = 90\0"
    write(
        "fuzz_identify_software",
        "gd-jpeg-in-the-ascii-user-comment",
        with_segments(picture, exif_segment(tiff("<", camera_ifd0("<"), [(0x9286, UNDEFINED, gd_comment)]))),
    )
    unicode_comment = b"UNICODE\0" + "Kommentar \u00fc\u00e4".encode("utf-16-be")
    write(
        "fuzz_identify_software",
        "unicode-user-comment-then-applemark-comment",
        with_segments(
            picture,
            exif_segment(tiff(">", camera_ifd0(">"), [(0x9286, UNDEFINED, unicode_comment)])),
            segment(0xFE, b"AppleMark\n"),
        ),
    )
    write(
        "fuzz_identify_software",
        "adobe-in-the-software-tag",
        with_segments(picture, exif_segment(tiff("<", camera_ifd0("<", b"Adobe Photoshop CS6 (Windows)")))),
    )
    write(
        "fuzz_identify_software",
        "icc-profile-and-nothing-else",
        with_segments(picture, segment(0xE2, b"ICC_PROFILE\0\x01\x01" + bytes(128))),
    )
    write(
        "fuzz_identify_software",
        "photoshop-segment-and-ducky",
        with_segments(
            picture,
            segment(0xEC, b"Ducky\0\x01\0\x04\0\0\0\x50\0\0"),
            segment(0xED, b"Photoshop 3.0\0" + b"8BIM\x04\x04\0\0\0\0\0\x10" + bytes(16) + bytes(64)),
        ),
    )


# --- fuzz_marker_data_string: every kind of segment the listing describes ---


def marker_inputs():
    picture = cjpeg(16, 8, "-quality", "70")
    xmp = b'http://ns.adobe.com/xap/1.0/\0<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF/></x:xmpmeta>'
    write(
        "fuzz_marker_data_string",
        "every-application-segment-and-trailing-bytes",
        with_segments(
            picture,
            segment(0xE0, b"JFIF\0\x01\x02\x01\0\x48\0\x48\0\0"),
            exif_segment(tiff("<", camera_ifd0("<", b"Pellvane Test"), [(0x9000, UNDEFINED, b"0231")])),
            segment(0xE1, xmp),
            segment(0xE2, b"ICC_PROFILE\0\x01\x01" + bytes(40)),
            segment(0xED, b"Photoshop 3.0\0" + b"8BIM\x04\x04\0\0\0\0\0\x04" + b"\x1c\x02\x00\x00"),
            segment(0xEE, b"Adobe\0\x64\0\0\0\0\x01"),
            segment(0xFE, b"a comment\r\nwith two lines"),
        )
        + b"TRAILING DATA AFTER THE END OF THE IMAGE" * 3,
    )
    write(
        "fuzz_marker_data_string",
        "segment-length-beyond-the-file",
        picture[:2] + b"\xff\xe1\x40\x00Exif\0\0II*\0\x08\0\0\0",
    )


# --- fuzz_mpf: the parse of a primary image with one further image ---


def mpf_file(order, second_offset_shift=0):
    """A JPEG whose APP2 MPF segment indexes the primary image and a second JPEG after it."""
    primary = cjpeg(16, 16, "-quality", "75")
    second = cjpeg(8, 8, "-quality", "50")

    def build(primary_size, second_offset):
        entries = [
            (0xB000, UNDEFINED, b"0100"),
            (0xB001, LONG, [2]),
            (
                0xB002,
                UNDEFINED,
                struct.pack(order + "IIIHH", 0x20030000, primary_size, 0, 0, 0)
                + struct.pack(order + "IIIHH", 0x00020002, len(second), second_offset, 0, 0),
            ),
            (0xB003, UNDEFINED, b"0123456789abcdef0123456789abcdef\0" + b"fedcba9876543210fedcba9876543210\0"),
            (0xB004, LONG, [2]),
        ]
        # An MP attribute directory follows the index directory in the chain.
        index = tiff(order, entries)
        attribute_at = len(index)
        count = struct.unpack(order + "H", index[8:10])[0]
        next_field = 8 + 2 + 12 * count
        index = index[:next_field] + struct.pack(order + "I", attribute_at) + index[next_field + 4 :]
        attribute = struct.pack(order + "H", 1) + struct.pack(order + "HHII", 0xB101, LONG, 1, 1) + bytes(4)
        return with_segments(primary, segment(0xE2, b"MPF\0" + index + attribute))

    # The sizes and offsets depend on the segment's own length, which they do not change.
    draft = build(0, 0)
    mp_header_at = 2 + 4 + 4  # SOI, the APP2 marker and length, "MPF\0"
    return build(len(draft), len(draft) - mp_header_at + second_offset_shift) + second


def mpf_inputs():
    # The target reads a choices byte and a declared end of the primary image first: bit 0 clear
    # takes the end from the file, bit 6 extracts the further images to temporary files.
    extract = bytes([0x40]) + bytes(4)
    write("fuzz_mpf", "two-images-little-endian-extracted", extract + mpf_file("<"))
    write("fuzz_mpf", "two-images-big-endian-extracted", extract + mpf_file(">"))
    samsung = bytes([0x40 | (12 << 1)]) + bytes(4)  # maker code 12 counts sizes from the primary end
    write("fuzz_mpf", "second-image-offset-off-by-three-samsung", samsung + mpf_file("<", 3))


if __name__ == "__main__":
    decode_inputs()
    software_inputs()
    marker_inputs()
    mpf_inputs()
