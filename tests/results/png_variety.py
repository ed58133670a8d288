"""Exit 0 when a PNG screenshot is not blank: enough distinct colours and enough pixels that are
not the background. Decodes 8-bit RGB/RGBA PNGs with the standard library alone."""
import struct
import sys
import zlib


def pixels(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour not in (2, 6):
                raise ValueError("an 8-bit RGB or RGBA PNG is expected")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    previous = bytearray(stride)
    rows = []
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def main():
    width, height, channels, rows = pixels(sys.argv[1])
    counts = {}
    for row in rows[::4]:
        for x in range(0, width * channels, channels * 4):
            colour = row[x:x + 3]
            counts[colour] = counts.get(colour, 0) + 1
    total = sum(counts.values())
    background = max(counts.values())
    drawn = 1 - background / total
    print(f"{width}x{height}: {len(counts)} colours, {drawn:.1%} of the pixels drawn")
    return 0 if len(counts) >= 16 and drawn >= 0.02 else 1


if __name__ == "__main__":
    sys.exit(main())
