#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/:
bmp (BMP loader), save_slot (doctored save slots), overworld (overworld
plans) and input_script (input scripts). Every seed is made here, by our
own code; run it again after changing a seed."""
import os
import shutil
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write_corpus(name, seeds):
    folder = os.path.join(ROOT, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for file_name, data in seeds.items():
        if isinstance(data, str):
            data = data.encode()
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(data)


# --- BMP loader ------------------------------------------------------------

def bmp(width, height, pixel_bytes, bits=24, magic=b"BM", info=40, offset=54):
    header = magic + struct.pack("<IHHI", 54 + len(pixel_bytes), 0, 0, offset)
    header += struct.pack("<IiiHHIIiiII", info, width, height, 1, bits, 0, len(pixel_bytes), 2835, 2835, 0, 0)
    return header + bytes(pixel_bytes)


def ramp(n, start=0):
    return [(start + i) & 0xFF for i in range(n)]


BMP = {
    "four_by_two.bmp": bmp(4, 2, ramp(24)),
    "three_by_two_padded.bmp": bmp(3, 2, ramp(9) + [0] * 3 + ramp(9, 40) + [0] * 3),
    "one_by_one.bmp": bmp(1, 1, [10, 20, 30]),
    "eight_by_eight.bmp": bmp(8, 8, ramp(192, 7)),
    "short_header.bmp": bmp(2, 2, ramp(12))[:40],
    "wrong_magic.bmp": bmp(2, 2, ramp(12), magic=b"MB"),
    "bits_32.bmp": bmp(2, 2, ramp(16), bits=32),
    "one_byte_short.bmp": bmp(4, 2, ramp(23)),
    "long_info_header.bmp": bmp(2, 2, ramp(84 + 12), info=124, offset=138),
    "top_down.bmp": bmp(2, -2, ramp(12)),
    "huge.bmp": bmp(100000, 100000, ramp(12)),
    "wrapping.bmp": bmp(1073741825, 4, ramp(12)),
}

# --- save slots --------------------------------------------------------------
# A 32-byte header (see save_slot_fuzz.cpp), then the fragments:
#   controls, cursor x, cursor y,
#   per file (mainmap, flagmap, unit, variables): mode, int32 where, uint16 length

WALK, HOLD_Z, KP_PLUS, KP_MINUS, MOUSE_LOOK, SLOT_2 = 1, 2, 4, 8, 16, 32
WHOLE, CUT, ALONE, MISSING = 0, 1, 2, 3
GRID = 256  # cells in a row; a layer is GRID * GRID
INT32_MIN, INT32_MAX = -2**31, 2**31 - 1


def slot(controls=0, cursor=(128, 128), files=None):
    """files: {index: (mode, where, fragment bytes)} for the files to doctor."""
    files = files or {}
    header = bytes([controls, cursor[0], cursor[1]])
    body = b""
    for i in range(4):
        mode, where, fragment = files.get(i, (WHOLE, 0, b""))
        header += struct.pack("<BiH", mode, where, len(fragment))
        body += fragment
    header += b"\0"
    assert len(header) == 32
    return header + body


def variables(frame=0, cycle=2, view=6, x=0, y=0, z=39, total=5, found=0):
    return struct.pack("<8i", frame, cycle, view, x, y, z, total, found)


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


PLAYER_POSITION = 704 + 168  # record 1, CellPosition
NAN, INF = float("nan"), float("inf")
around_player = -(2 * GRID * GRID + 3 * GRID + 3)  # two layers up, three rows and columns back

SAVE_SLOT = {
    "plain_load.bin": slot(),
    "plain_load_slot2_walking.bin": slot(WALK | MOUSE_LOOK | SLOT_2, (200, 40)),
    "variables_out_of_range.bin": slot(WALK, files={3: (WHOLE, 0, variables(INT32_MAX, 0, 99, -5, 300, 179, -1, INT32_MAX))}),
    "variables_grid_corner.bin": slot(WALK | KP_PLUS, files={3: (WHOLE, 0, variables(5, 36, 30, 255, 255, 179, 20, 20))}),
    "variables_far_off.bin": slot(WALK | HOLD_Z, files={3: (WHOLE, 0, variables(INT32_MIN, 1, 30, INT32_MIN, INT32_MAX, INT32_MIN))}),
    "variables_top_layer.bin": slot(KP_MINUS, files={3: (WHOLE, 0, variables(7, 2, 6, 128, 128, 1))}),
    "variables_short.bin": slot(files={3: (ALONE, 0, variables(1, 3, 9, 17)[:16])}),
    "unit_not_a_number.bin": slot(WALK, files={2: (WHOLE, PLAYER_POSITION, floats(NAN, INF, -INF, NAN, 0.5, 0.5))}),
    "unit_far_floats.bin": slot(WALK | MOUSE_LOOK, files={2: (WHOLE, PLAYER_POSITION, floats(1e30, -1e30, 3e9, 2.0, -1.0, 7.5))}),
    "unit_cut_inside_player.bin": slot(WALK, files={2: (CUT, PLAYER_POSITION + 2, floats(9.0))}),
    "mainmap_odd_codes.bin": slot(WALK, files={0: (WHOLE, around_player, bytes(ramp(5 * GRID * GRID // 64)))}),
    "mainmap_panes_and_unknown.bin": slot(WALK | HOLD_Z, files={0: (WHOLE, -(GRID + 1), bytes([4, 200, 4, 255, 0, 31, 32, 60] * 96))}),
    "flagmap_markers.bin": slot(WALK, files={1: (WHOLE, -(GRID + 1), bytes([10, 0, 255, 10, 1] * 200))}),
    "all_missing.bin": slot(files={i: (MISSING, 0, b"") for i in range(4)}),
    "all_cut_short.bin": slot(WALK, files={0: (CUT, 100, b"\1"), 1: (CUT, 0, b""), 2: (CUT, 705, b"\0"), 3: (CUT, 4, b"\5")}),
    # Objectives all around the player and the largest count found: taking
    # one more must not overflow.
    "objective_at_largest_count.bin": slot(files={1: (WHOLE, -(2 * GRID + 2), b"\x0a" * (4 * GRID + 5)),
                                                  3: (WHOLE, 28, struct.pack("<i", INT32_MAX))}),
    "fragments_alone.bin": slot(WALK, files={0: (ALONE, 0, bytes(ramp(300))), 1: (ALONE, 0, b"\10" * 64),
                                            2: (ALONE, 0, bytes(800)), 3: (ALONE, 0, variables(z=200))}),
}

# --- overworld plans ---------------------------------------------------------
LAYER = GRID * GRID


def plan(cell):
    return bytes(cell(i % GRID, i // GRID) & 0xFF for i in range(LAYER))


OVERWORLD = {
    "empty.bin": b"",
    "one_byte.bin": b"\x13",
    "cell_1_1.bin": bytes(257) + b"\x0b",
    "short_rows.bin": bytes([10, 11, 18, 19, 0, 255, 9] * 1000),
    "ramp.bin": plan(lambda x, y: x + y),
    "surface_mix.bin": plan(lambda x, y: (0, 10, 11, 15, 18, 19, 200, 255)[(x // 16 + y // 16) % 8]),
    "too_long.bin": plan(lambda x, y: 19) + bytes([11] * 300),
}

# --- input scripts -------------------------------------------------------------
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "demo", "demo.txt"), "rb") as f:
    DEMO = f.read()

INPUT_SCRIPT = {
    "demo.txt": DEMO,
    "every_verb.txt": "0 down Z\n0 mouse 0 0\n1 up z\n1 tap esc\n2 click left\n2 click right\n3 close\n"
                      "4 mouse 319 239  # a comment\n\n   \n5 tap KP_PLUS\n5 tap kp_minus\n",
    "key_names.txt": "".join("%d tap %s\n" % (i, k) for i, k in enumerate(
        ["ESC", "ESCAPE", "TAB", "ENTER", "RETURN", "BACKSPACE", "SPACE", "SHIFT", "LBRACKET", "RBRACKET",
         "F1", "F12", "A", "z", "0", "9", "255", "1", "107", "010"])),
    "console_typing.txt": "0 tap TAB\n1 tap E\n2 tap N\n3 tap V\n4 tap 4\n5 down SHIFT\n5 tap C\n6 up SHIFT\n"
                          "7 tap SPACE\n8 tap 1\n9 tap 2\n10 tap BACKSPACE\n11 tap ENTER\n",
    "bad_frame_order.txt": "5 tap A\n4 tap B\n",
    "bad_key.txt": "0 tap F13\n",
    "bad_mouse.txt": "0 mouse 320 0\n",
    "big_numbers.txt": "2147483647 tap A\n2147483648 tap B\n",
    "negative.txt": "-1 tap A\n",
    "missing_parts.txt": "7\n8 down\n9 mouse 1\n10 click middle\n11 close now\n",
    "crlf.txt": "0 tap A\r\n1 mouse 10 20\r\n",
    "nul_and_high_bytes.txt": b"0 tap A\x00B\n1 tap \xff\n",
}

write_corpus("bmp", BMP)
write_corpus("save_slot", SAVE_SLOT)
write_corpus("overworld", OVERWORLD)
write_corpus("input_script", INPUT_SCRIPT)
