"""Pictures for the end-to-end tests: the X screen grabbed with ImageMagick's import, the
game's 640 x 480 client area cut out of it, PNG files written for the record, and 24-bit BMP
files read so that portraits can be compared with the pixels on screen."""

import shutil
import struct
import subprocess
import zlib

CLIENT_WIDTH = 640
CLIENT_HEIGHT = 480


class CaptureError(Exception):
    pass


class Frame:
    """An RGB picture, 3 bytes a pixel, rows top to bottom."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError("picture size does not match its bytes")
        self.width = width
        self.height = height
        self.rgb = bytes(rgb)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def pixels(self, x0, y0, x1, y1):
        """Every pixel of the box x0 <= x < x1, y0 <= y < y1, clipped to the picture."""
        x0, x1 = max(0, x0), min(self.width, x1)
        y0, y1 = max(0, y0), min(self.height, y1)
        out = []
        for y in range(y0, y1):
            row = self.rgb[(y * self.width + x0) * 3 : (y * self.width + x1) * 3]
            out.extend(zip(row[0::3], row[1::3], row[2::3]))
        return out

    def box_bytes(self, x0, y0, x1, y1):
        """The raw bytes of a box, to tell whether it changed between two frames."""
        return b"".join(
            self.rgb[(y * self.width + x0) * 3 : (y * self.width + x1) * 3] for y in range(y0, y1)
        )

    def crop(self, x, y, width, height):
        if x < 0 or y < 0 or x + width > self.width or y + height > self.height:
            raise CaptureError(
                "the box %dx%d+%d+%d is not inside the %dx%d screen"
                % (width, height, x, y, self.width, self.height)
            )
        rows = [
            self.rgb[((y + r) * self.width + x) * 3 : ((y + r) * self.width + x + width) * 3]
            for r in range(height)
        ]
        return Frame(width, height, b"".join(rows))

    def scaled_down(self, scale):
        """The picture a window drawing every pixel as a scale x scale square was showing: the
        top-left pixel of each square."""
        if scale == 1:
            return self
        width, height = self.width // scale, self.height // scale
        stride = self.width * 3
        out = bytearray(width * height * 3)
        for y in range(height):
            row = self.rgb[y * scale * stride : (y * scale + 1) * stride]
            start = y * width * 3
            for channel in range(3):
                wanted = row[channel : width * scale * 3 : 3 * scale]
                out[start + channel : start + width * 3 : 3] = wanted
        return Frame(width, height, bytes(out))

    def squares_uniform(self, scale):
        """True when every scale x scale square holds one colour: whole-number scaling without
        smoothing."""
        stride = self.width * 3
        for y in range(0, self.height - scale + 1, scale):
            row = self.rgb[y * stride : (y + 1) * stride]
            for dy in range(1, scale):
                if self.rgb[(y + dy) * stride : (y + dy + 1) * stride] != row:
                    return False
            pixels = [row[i : i + 3] for i in range(0, stride, 3)]
            for dx in range(1, scale):
                if pixels[dx::scale] != pixels[0::scale]:
                    return False
        return True

    def png_bytes(self):
        raw = b"".join(
            b"\x00" + self.rgb[y * self.width * 3 : (y + 1) * self.width * 3]
            for y in range(self.height)
        )

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (
            b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 6))
            + chunk(b"IEND", b"")
        )

    def save_png(self, path):
        with open(path, "wb") as f:
            f.write(self.png_bytes())


def parse_ppm(data):
    """A binary PPM (P6, maximum 255) as a Frame."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while pos < len(data) and data[pos : pos + 1].isspace():
            pos += 1
        if data[pos : pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while end < len(data) and not data[end : end + 1].isspace():
            end += 1
        if end == pos:
            raise CaptureError("truncated PPM header")
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise CaptureError("not an 8-bit binary PPM: %r" % fields)
    width, height = int(fields[1]), int(fields[2])
    pos += 1  # the single whitespace byte before the pixels
    body = data[pos : pos + width * height * 3]
    if len(body) != width * height * 3:
        raise CaptureError("PPM holds %d of %d pixel bytes" % (len(body), width * height * 3))
    return Frame(width, height, body)


def grab_screen(timeout=20):
    """The whole X screen of $DISPLAY."""
    tool = shutil.which("import")
    if tool is None:
        raise CaptureError("ImageMagick's import is not installed")
    try:
        result = subprocess.run(
            [tool, "-window", "root", "-depth", "8", "ppm:-"],
            capture_output=True,
            timeout=timeout,
        )
    except subprocess.TimeoutExpired:
        raise CaptureError("import did not finish within %d s" % timeout)
    if result.returncode != 0:
        raise CaptureError("import failed: %s" % result.stderr.decode(errors="replace").strip())
    return parse_ppm(result.stdout)


class Bitmap:
    """An uncompressed 24-bit BMP, read by pixel with (0, 0) at the top left."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if data[:2] != b"BM" or len(data) < 54:
            raise ValueError("%s is not a BMP file" % path)
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height = struct.unpack_from("<ii", data, 18)
        bits, compression = struct.unpack_from("<HI", data, 28)
        if bits != 24 or compression != 0 or width <= 0 or height == 0:
            raise ValueError("%s is not an uncompressed 24-bit BMP" % path)
        self.width = width
        self.height = abs(height)
        self._bottom_up = height > 0
        self._stride = (width * 3 + 3) & ~3
        self._offset = offset
        self._data = data
        if offset + self._stride * self.height > len(data):
            raise ValueError("%s is truncated" % path)

    def pixel(self, x, y):
        row = self.height - 1 - y if self._bottom_up else y
        i = self._offset + row * self._stride + x * 3
        return self._data[i + 2], self._data[i + 1], self._data[i]
