#!/usr/bin/env python3
"""The end-to-end tests' own checks, on pictures made here: each check accepts a screen that
is right and rejects one made wrong in the way it is meant to catch; the hint oracle gives the
answers worked out by hand and those the game gave on boards it dealt."""

import os
import random
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import box_text  # noqa: E402
import e2e_game  # noqa: E402
import hint_oracle  # noqa: E402
import screen_capture  # noqa: E402
import screen_checks  # noqa: E402

LETTERS = {"F": 1, "M": 2, "W": 3, "E": 4, "A": 5}


def board_from(text):
    return [LETTERS[c] for c in text.replace("/", "")]


class Canvas:
    """A black 640 x 480 client area to draw test screens on."""

    def __init__(self):
        self.rgb = bytearray(640 * 480 * 3)

    def put(self, x, y, colour):
        i = (y * 640 + x) * 3
        self.rgb[i : i + 3] = bytes(colour)

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def glyph(self, x0, y0, width, height, colour, seed=1):
        """Antialiased-looking strokes: the colour scaled by a coverage that never reaches
        full, as the game's fonts look under Wine."""
        rng = random.Random(seed)
        for y in range(y0 + 2, y0 + height - 2):
            for x in range(x0 + 1, x0 + width - 1):
                if (x + y) % 3 == 0 or rng.random() < 0.15:
                    coverage = rng.choice((0.3, 0.6, 0.8, 0.95))
                    self.put(x, y, tuple(int(c * coverage) for c in colour))

    def frame(self):
        return screen_capture.Frame(640, 480, bytes(self.rgb))


def write_bitmap(path, seed):
    rng = random.Random(seed)
    pixels = [[tuple(rng.randrange(256) for _ in range(3)) for _ in range(128)] for _ in range(128)]
    body = b"".join(b"".join(bytes((b, g, r)) for r, g, b in row) for row in reversed(pixels))
    info = struct.pack("<IiiHHIIiiII", 40, 128, 128, 1, 24, 0, len(body), 0, 0, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    with open(path, "wb") as f:
        f.write(header + info + body)
    return pixels


def draw_picture(canvas, pixels, left, top, shift=(0, 0)):
    for dy in range(128):
        for dx in range(128):
            canvas.put(left + dx, top + dy, pixels[(dy - shift[1]) % 128][(dx - shift[0]) % 128])


def title_canvas(selected):
    canvas = Canvas()
    for row in range(16):
        colour = (240, 240, 240) if row == selected else (128, 128, 128)
        canvas.glyph(128, 32 + 16 * row, 60, 14, colour, seed=row)
    for line in range(6):
        canvas.glyph(8, 328 + 16 * line, 200, 14, (240, 240, 240), seed=20 + line)
    return canvas


class TitleChecks(unittest.TestCase):
    def test_selected_row_white_others_grey(self):
        frame = title_canvas(3).frame()
        self.assertEqual(screen_checks.roster_problems(frame, 3), [])
        self.assertEqual(screen_checks.help_problems(frame), [])
        shades = screen_checks.roster_shades(frame)
        self.assertEqual(shades.count("white"), 1)
        self.assertEqual(shades[3], "white")

    def test_wrong_selection_is_reported(self):
        frame = title_canvas(3).frame()
        problems = screen_checks.roster_problems(frame, 4)
        self.assertIn("roster row 3 is white, not grey", problems)
        self.assertIn("roster row 4 is grey, not white", problems)

    def test_missing_row_or_coloured_text_is_not_a_shade(self):
        canvas = title_canvas(0)
        canvas.fill(124, 32 + 16 * 5, 300, 48 + 16 * 5, (0, 0, 0))
        canvas.glyph(128, 32 + 16 * 7, 60, 14, (200, 0, 0))
        shades = screen_checks.roster_shades(canvas.frame())
        self.assertIsNone(shades[5])
        self.assertIsNone(shades[7])

    def test_roster_drawn_too_far_left_is_reported(self):
        canvas = title_canvas(0)
        canvas.glyph(20, 40, 40, 14, (128, 128, 128))
        self.assertIn(
            "something is drawn left of the roster's x 128",
            screen_checks.roster_problems(canvas.frame(), 0),
        )

    def test_missing_help_line_is_reported(self):
        canvas = title_canvas(0)
        canvas.fill(0, 360, 640, 376, (0, 0, 0))
        problems = screen_checks.help_problems(canvas.frame())
        self.assertEqual(problems, ["help line 2 at y 360 is None, not white"])


class PortraitChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.pixels = write_bitmap(os.path.join(cls.folder, "a.bmp"), 1)
        cls.other = write_bitmap(os.path.join(cls.folder, "b.bmp"), 2)
        cls.bitmap = screen_capture.Bitmap(os.path.join(cls.folder, "a.bmp"))

    def test_bitmap_reader_reads_top_row_first(self):
        self.assertEqual(self.bitmap.pixel(0, 0), self.pixels[0][0])
        self.assertEqual(self.bitmap.pixel(127, 127), self.pixels[127][127])
        self.assertEqual(self.bitmap.pixel(5, 9), self.pixels[9][5])

    def test_picture_in_place_matches(self):
        canvas = Canvas()
        draw_picture(canvas, self.pixels, 300, 100)
        frame = canvas.frame()
        self.assertEqual(screen_checks.portrait_match(frame, 300, 100, self.bitmap), (1.0, (0, 0)))
        self.assertEqual(screen_checks.portrait_problems(frame, 300, 100, self.bitmap, "a"), [])

    def test_edge_texel_wrapped_by_one_row_matches(self):
        canvas = Canvas()
        draw_picture(canvas, self.pixels, 480, 176, shift=(0, 1))
        frame = canvas.frame()
        self.assertEqual(screen_checks.portrait_match(frame, 480, 176, self.bitmap), (1.0, (0, 1)))

    def test_other_picture_does_not_match(self):
        canvas = Canvas()
        draw_picture(canvas, self.other, 300, 100)
        problems = screen_checks.portrait_problems(canvas.frame(), 300, 100, self.bitmap, "a")
        self.assertEqual(len(problems), 1)
        self.assertIn("matches a in only", problems[0])

    def test_picture_two_pixels_off_is_reported(self):
        canvas = Canvas()
        draw_picture(canvas, self.pixels, 302, 100)
        problems = screen_checks.portrait_problems(canvas.frame(), 300, 100, self.bitmap, "a")
        self.assertTrue(any("matches a in only" in p for p in problems), problems)
        self.assertTrue(any("spills over" in p for p in problems), problems)


def match_canvas(board, bar_length=240):
    canvas = Canvas()
    colours = {1: (255, 0, 0), 2: (255, 255, 255), 3: (0, 255, 0), 4: (255, 255, 0), 5: (0, 0, 255)}
    for index, element in enumerate(board):
        x0, y0, _, _ = screen_checks.cell_box(index % 6, index // 6)
        canvas.glyph(x0, y0, 40, 40, colours[element], seed=index)
    for k in range(bar_length):
        canvas.fill(8 + k, 32, 9 + k, 40, (255, 0, 0) if k == 0 else (0, 255, 255))
        canvas.fill(632 - k, 32, 633 - k, 40, (255, 0, 0) if k == 0 else (0, 255, 255))
    canvas.glyph(284, 24, 100, 18, (255, 255, 255))
    canvas.glyph(242, 58, 160, 30, (255, 255, 255))
    canvas.fill(260, 60, 300, 70, (255, 255, 255))
    return canvas


NO_LINES = [1 + (col + row) % 3 for row in range(6) for col in range(6)]
BOARD = board_from("EFMAMW/AEWFEF/FWMWEE/AWFWFW/EAEAEF/MMFEFM")


class MatchChecks(unittest.TestCase):
    def test_board_read_by_colour(self):
        frame = match_canvas(BOARD).frame()
        self.assertEqual(screen_checks.read_board(frame), BOARD)

    def test_cell_marks_do_not_change_the_element_read(self):
        canvas = match_canvas(BOARD)
        canvas.fill(*screen_checks.mark_box(0, 0), screen_checks.ORANGE)
        canvas.fill(*screen_checks.mark_box(3, 0), screen_checks.BLUE)
        frame = canvas.frame()
        self.assertEqual(screen_checks.read_board(frame), BOARD)
        self.assertEqual(screen_checks.cell_marks(frame), {(0, 0): "orange", (3, 0): "blue"})

    def test_a_glyph_of_no_element_colour_is_not_read(self):
        canvas = match_canvas(BOARD)
        x0, y0, x1, y1 = screen_checks.cell_box(2, 3)
        canvas.fill(x0, y0, x1, y1, (0, 0, 0))
        canvas.glyph(x0, y0, 40, 40, (128, 0, 128))
        self.assertIsNone(screen_checks.read_board(canvas.frame())[3 * 6 + 2])

    def test_full_bars_pass_and_short_bars_fail(self):
        self.assertEqual(screen_checks.bar_problems(match_canvas(BOARD).frame()), [])
        problems = screen_checks.bar_problems(match_canvas(BOARD, bar_length=239).frame())
        self.assertIn("bar pixel (247, 32) is black", problems)
        problems = screen_checks.bar_problems(match_canvas(BOARD, bar_length=241).frame())
        self.assertIn("(248, 32) beyond the bar is (0, 255, 255)", problems)

    def test_timer_colours(self):
        self.assertEqual(screen_checks.timer_colour(match_canvas(BOARD).frame()), "white")
        canvas = match_canvas(BOARD)
        canvas.fill(*screen_checks.TIMER_BOX, (0, 0, 0))
        self.assertIsNone(screen_checks.timer_colour(canvas.frame()))
        canvas.glyph(284, 24, 100, 18, (255, 0, 0))
        self.assertEqual(screen_checks.timer_colour(canvas.frame()), "red")

    def test_caption_shown_and_compared(self):
        frame = match_canvas(BOARD).frame()
        self.assertTrue(screen_checks.caption_shown(frame))
        canvas = match_canvas(BOARD)
        canvas.fill(*screen_checks.CAPTION_BOX, (0, 0, 0))
        self.assertFalse(screen_checks.caption_shown(canvas.frame()))
        canvas.glyph(242, 58, 160, 30, (255, 255, 255), seed=9)
        canvas.fill(260, 60, 300, 70, (255, 255, 255))
        self.assertNotEqual(
            screen_checks.caption_bytes(canvas.frame()), screen_checks.caption_bytes(frame)
        )


    def test_winner_text_seen_above_the_queues_only(self):
        canvas = match_canvas(BOARD)
        self.assertFalse(screen_checks.winner_text_shown(canvas.frame()))
        # A long queue listing at y 416 is not the winner text.
        canvas.glyph(236, 416, 200, 16, (255, 255, 255))
        self.assertFalse(screen_checks.winner_text_shown(canvas.frame()))
        canvas.glyph(242, 400, 150, 36, (255, 255, 255), seed=4)
        canvas.fill(260, 404, 300, 410, (255, 255, 255))
        self.assertTrue(screen_checks.winner_text_shown(canvas.frame()))

    def test_bar_presence_by_its_red_first_line(self):
        frame = match_canvas(BOARD).frame()
        self.assertTrue(screen_checks.bar_present(frame, 0))
        self.assertTrue(screen_checks.bar_present(frame, 1))
        self.assertFalse(screen_checks.bar_present(match_canvas(BOARD, bar_length=0).frame(), 0))


class HintOracle(unittest.TestCase):
    def test_board_without_lines_names_the_first_pair(self):
        # Every three cells in a line hold three different elements, so no exchange, near or
        # far, can line three up: every pair scores 0 and the first one stays.
        self.assertEqual(
            [
                (i, j)
                for i in range(36)
                for j in range(i + 1, 36)
                if hint_oracle.lines_after_swap(NO_LINES, i, j)
            ],
            [],
        )
        self.assertEqual(hint_oracle.best_hint(NO_LINES), "(1,1)-(2,1)")

    def test_longer_line_beats_earlier_pair(self):
        # Row 0 holds F F M F F M: moving the M at (2,0) out for the F at (0,1) forms a run
        # of five fires; the first pair that forms any line only clears three.
        board = board_from("FFMFFM/FAWEAW/WEAWEA/AWEAWE/EAWEAW/WEAWEA")
        self.assertEqual(hint_oracle.best_hint(board), "(3,1)-(1,2)")

    def test_boards_the_game_dealt(self):
        self.assertEqual(
            hint_oracle.best_hint(board_from("EFMAMW/AEWFEF/FWMWEE/AWFWFW/EAEAEF/MMFEFM")),
            "(5,4)-(3,5)",
        )
        self.assertEqual(
            hint_oracle.best_hint(board_from("EWAMFA/MEAFEF/WEEMAA/MAMMEA/WAFAMM/WWMWFE")),
            "(1,3)-(3,6)",
        )

    def test_opponent_stock_counts_against_the_mover(self):
        # A stock the mover cannot touch: every pair scores minus its size.
        self.assertEqual(hint_oracle.best_hint(NO_LINES, 0, ((), (1,) * 3)), "(1,1)-(2,1)")
        self.assertEqual(hint_oracle.best_hint(NO_LINES, 1, ((1,) * 3, ())), "(1,1)-(2,1)")
        # Below the starting score of -256 no pair is ever taken.
        self.assertIsNone(hint_oracle.best_hint(NO_LINES, 0, ((), (1,) * 300)))

    def test_clash_decides_between_equal_clears(self):
        # Row 0 reads F F A E E A on a board otherwise free of lines; a third fire waits at
        # (1,6) and a third earth at (6,6). Either completes a line of three in (3,1); the
        # fire pair comes first. Against a water in the opponent's stock the fire would all be
        # destroyed while the earth survives, so the earth pair is named instead.
        board = [(2, 3, 5)[(col + row) % 3] for row in range(6) for col in range(6)]
        for (col, row), element in {
            (0, 0): 1,
            (1, 0): 1,
            (3, 0): 4,
            (4, 0): 4,
            (0, 5): 1,
            (5, 5): 4,
        }.items():
            board[row * 6 + col] = element
        self.assertEqual(hint_oracle.best_hint(board), "(3,1)-(1,6)")
        self.assertEqual(hint_oracle.best_hint(board, 0, ((), (5,))), "(3,1)-(6,6)")
        self.assertEqual(hint_oracle.best_hint(board, 1, ((5,), ())), "(3,1)-(6,6)")


class ExchangeChoice(unittest.TestCase):
    def test_ring_steps_take_the_short_way_round(self):
        self.assertEqual(e2e_game.ring_steps((0, 0), (1, 0)), ["d"])
        self.assertEqual(e2e_game.ring_steps((0, 0), (5, 0)), ["a"])
        self.assertEqual(e2e_game.ring_steps((0, 0), (0, 4)), ["w", "w"])
        self.assertEqual(e2e_game.ring_steps((2, 2), (5, 5)), ["d"] * 3 + ["s"] * 3)

    def test_chosen_exchange_swaps_different_elements_without_a_line(self):
        a, b = e2e_game.choose_exchange(BOARD, (0, 0))
        i, j = a[1] * 6 + a[0], b[1] * 6 + b[0]
        self.assertNotEqual(BOARD[i], BOARD[j])
        self.assertFalse(hint_oracle.lines_after_swap(BOARD, i, j))
        self.assertLessEqual(
            len(e2e_game.ring_steps((0, 0), a)) + len(e2e_game.ring_steps(a, b)), 1
        )

    def test_columns_first(self):
        self.assertTrue(e2e_game.travels_columns_first([(0, 1), (1, 1), (1, 0), (1, 5)]))
        self.assertFalse(e2e_game.travels_columns_first([(0, 1), (0, 2), (1, 2)]))


class Pictures(unittest.TestCase):
    def test_ppm_parsed_with_comment(self):
        frame = screen_capture.parse_ppm(b"P6\n# by import\n2 1\n255\n" + bytes(range(6)))
        self.assertEqual(frame.pixel(1, 0), (3, 4, 5))

    def test_truncated_ppm_is_an_error(self):
        with self.assertRaises(screen_capture.CaptureError):
            screen_capture.parse_ppm(b"P6\n2 2\n255\n" + bytes(6))

    def test_png_holds_the_pixels(self):
        frame = screen_capture.Frame(2, 2, bytes(range(12)))
        data = frame.png_bytes()
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        width, height = struct.unpack(">II", data[16:24])
        self.assertEqual((width, height), (2, 2))
        length = struct.unpack(">I", data[33:37])[0]
        raw = zlib.decompress(data[41 : 41 + length])
        self.assertEqual(raw, b"\x00" + bytes(range(6)) + b"\x00" + bytes(range(6, 12)))

    def test_crop_outside_the_screen_is_an_error(self):
        with self.assertRaises(screen_capture.CaptureError):
            screen_capture.Frame(640, 480, bytes(640 * 480 * 3)).crop(1, 0, 640, 480)


def message_box(glyph_of, count=8):
    """A 120 x 60 grey box: `count` glyphs of 9 x 10 pixels 12 apart (glyph_of(k, x, y) tells
    whether pixel (x, y) of glyph k is black, antialiased grey every third pixel), over a button
    with dark edges."""
    face = (240, 240, 240)
    rgb = bytearray(bytes(face) * (120 * 60))

    def put(x, y, colour):
        rgb[(y * 120 + x) * 3 : (y * 120 + x) * 3 + 3] = bytes(colour)

    for k in range(count):
        for y in range(10):
            for x in range(9):
                if glyph_of(k, x, y):
                    put(10 + 12 * k + x, 8 + y, (160, 160, 160) if (x + y) % 3 else (0, 0, 0))
    for x in range(40, 80):
        put(x, 30, (64, 64, 64))
        put(x, 50, (64, 64, 64))
    return screen_capture.Frame(120, 60, bytes(rgb))


class BoxText(unittest.TestCase):
    def test_empty_squares_are_one_shape_repeated(self):
        box = message_box(lambda k, x, y: x in (0, 8) or y in (0, 9))
        problems = box_text.glyph_problems(box, 8)
        self.assertEqual(len(problems), 1)
        self.assertIn("one shape drawn 8 times 12 pixels apart", problems[0])

    def test_characters_pass_even_if_only_one_differs(self):
        shapes = [random.Random(k).getrandbits(90) for k in range(8)]
        box = message_box(lambda k, x, y: shapes[k] >> (y * 9 + x) & 1)
        self.assertEqual(box_text.glyph_problems(box, 8), [])
        box = message_box(lambda k, x, y: x in (0, 8) or y in (0, 9) or (k == 5 and x == y))
        self.assertEqual(box_text.glyph_problems(box, 8), [])


if __name__ == "__main__":
    unittest.main()
