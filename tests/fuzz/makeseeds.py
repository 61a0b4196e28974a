#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora under corpus/. Run it again after changing an input format;
the files it writes are the committed seeds."""

import math
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent

# Indices into FuzzInput::SpecialValue.
SPECIAL = {
    "nan": 2, "-nan": 3, "snan": 4, "inf": 5, "-inf": 6, "denorm": 7, "1e308": 11, "-1e308": 12,
    "max": 13, "1": 16, "-1": 17, "90": 19, "180": 20, "-90": 22, "floatmax": 24, "3.5e38": 25,
}


def num(value):
    """One number in FuzzInput's tagged form: a name from SPECIAL, an int16, or a raw double."""
    if isinstance(value, str):
        return bytes([SPECIAL[value]])
    if isinstance(value, int) and -32768 <= value <= 32767:
        return bytes([0x20]) + struct.pack("<h", value)
    return bytes([0x80]) + struct.pack("<d", float(value))


def write(target, name, data):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


# The operator's number parser: plain text.
PARSER = {
    "integer": "38", "decimal": "2.5", "most_negative": "-1e308", "blanks": " 45 ",
    "comma": "1,5", "nan": "nan", "negative_zero": "-0", "fraction_exponent": ".5e-3",
    "overflow": "1e999", "trailing_point": "+90.", "tab_newline": "\t-45\n", "hex": "0x10",
    "arabic_separator": "2\u066b5", "smallest_subnormal": "4.9e-324",
}
for name, text in PARSER.items():
    write("fuzz_strtofloatdef", name, text.encode("utf-8"))

# The tube model: StepCount byte, flags (1 mirror, 2 fill through FillBendProgram, 4 fresh
# lists), highlighted step, then numbers.
INITIAL_ROWS = [(30, 0, 90, 45), (30, 90, 90, 45), (30, 90, 90, 45), (30, 90, 90, 45),
                (30, 0, 0, 45)]


def direct(count, flags, highlight, diameter, total, rows):
    out = bytes([count, flags, highlight & 0xFF]) + num(diameter) + num(total)
    for y, b, c, r, arc_length, arc_radius, arc_mode in rows:
        out += b"".join(num(v) for v in (y, b, c, r, arc_length, arc_radius)) + bytes([arc_mode])
    return out


def filled(flags, highlight, diameter, rows):
    out = bytes([0, flags | 2, highlight & 0xFF]) + num(diameter)
    for row in rows:
        out += b"".join(num(v) for v in row)
    return out


INITIAL_TOTAL = 150 + 90 * math.pi
write("fuzz_tubemodel", "initial_filled", filled(4, 0, 38, INITIAL_ROWS))
write("fuzz_tubemodel", "initial_direct",
      direct(5, 0, -1, 38, INITIAL_TOTAL, [row + (0, 0, 0) for row in INITIAL_ROWS]))
write("fuzz_tubemodel", "initial_mirrored_highlight",
      direct(5, 1, 2, 38, INITIAL_TOTAL, [row + (0, 0, 0) for row in INITIAL_ROWS]))
write("fuzz_tubemodel", "arc_mode",
      direct(3, 0, 1, 20, 300, [(40, 0, 0, 0, 70, 45, 1), (40, 90, 0, 0, 35, 45, 1),
                                (40, 0, 0, 0, 0, 0, 1)]))
write("fuzz_tubemodel", "arc_zero_radius",
      direct(2, 0, 0, 20, 100, [(40, 0, 0, 0, 70, 0, 1), (40, 0, 0, 0, 70, 0, 1)]))
write("fuzz_tubemodel", "two_steps", direct(2, 4, 0, 10, 100, [(50, 0, 90, 20, 0, 0, 0),
                                                              (50, 0, 0, 20, 0, 0, 0)]))
write("fuzz_tubemodel", "hundred_steps",
      direct(100, 0, 99, 12, 4000, [(10, 37, 45, 20, 0, 0, 0)] * 100))
write("fuzz_tubemodel", "specials",
      direct(4, 0, 0, "nan", "inf", [("1e308", "-inf", "3.5e38", "denorm", "nan", 0, 0),
                                      ("-1e308", "nan", "max", "inf", "1e308", "denorm", 1),
                                      (30, 90, "floatmax", "-1", "inf", "inf", 1),
                                      ("snan", 0, 90, 45, 0, 0, 0)]))
write("fuzz_tubemodel", "filled_specials",
      filled(0, 3, "inf", [("nan", 0, 90, 45), (30, "inf", 90, "-inf"), (30, 90, "1e308", 45),
                           ("-1e308", 90, 90, "denorm"), (30, 0, "nan", 45)]))
write("fuzz_tubemodel", "negative_diameter",
      direct(3, 1, 0, -38, -100, [(-30, 0, -90, 45, 0, 0, 0), (30, 0, 90, -45, 0, 0, 0),
                                  (30, 0, 0, 45, 0, 0, 0)]))
write("fuzz_tubemodel", "count_claims_more", direct(206, 0, 0, 38, 200, [(30, 0, 90, 45, 0, 0, 0)]))

# The view operations: code byte ((byte % 12) - 2 below 240), then the amount.
MOVE_X, MOVE_Y, MOVE_Z, TURN_X, TURN_Y, TURN_Z, RESET = 3, 4, 5, 6, 7, 8, 9


def ops(*pairs):
    return b"".join(bytes([code]) + num(amount) for code, amount in pairs)


write("fuzz_viewop", "reset", ops((RESET, "1")))
write("fuzz_viewop", "pad_turns", ops(*[(TURN_Y, "-1")] * 6, *[(TURN_X, "1")] * 6,
                                      (TURN_Z, "1"), (TURN_Z, "-1")))
write("fuzz_viewop", "mouse_drag", ops((MOVE_X, 5), (MOVE_Y, -3), (TURN_Y, 2), (TURN_X, -2),
                                       (MOVE_X, -12), (MOVE_Y, 7)))
write("fuzz_viewop", "home_then_turn", ops((TURN_X, "90"), (RESET, "1"), (TURN_Y, 45),
                                           (MOVE_Z, 100)))
write("fuzz_viewop", "not_finite", ops((TURN_Z, "nan"), (MOVE_X, "inf"), (RESET, "1"),
                                       (TURN_X, "-inf"), (MOVE_Y, "snan")))
write("fuzz_viewop", "huge", ops((MOVE_Z, "1e308"), (TURN_X, "1e308"), (TURN_Y, "max"),
                                 (MOVE_X, "3.5e38")))
write("fuzz_viewop", "unknown_codes", ops((0, 5), (1, 5), (2, 5), (10, 5), (11, 5), (0xF0, 1),
                                          (0xF1, 1), (TURN_Z, 30)))
write("fuzz_viewop", "quarter_turns", ops(*[(TURN_X, "90"), (TURN_Y, "90"), (TURN_Z, "-90")] * 3))

# The program and points file readers: whole files as text, valid and invalid.
README_PROGRAM = ("# comment lines and blank lines are ignored\ndiameter,38\nY,B,C,R\n30,0,90,45\n"
                  "30,90,90,45\n30,0,0,45\n")
FILES = {
    "readme_program": README_PROGRAM,
    "spreadsheet_semicolons": "\ufeffDIAMETER;38;;\r\n;;;\r\ny;b;c;r;;\r\n30;0;90,5;4,5e1\r\n"
                              "30;0;0;45;;\r\n",
    "tabs": "diameter\t12.5\n# straight then bend\n10\t0\t0\t0\n20\t45\t180\t1e1\n0\t0\t0\t10\n",
    "points_mixed_radius": "diameter,38\nX,Y,Z\n0,0,0\n0,0,-75,45\n75,0,-75,\n75,0,0,45\n"
                           "150,1e-3,-0,\n",
    "shortest_numbers": "diameter,1e-07\n1e+300,-0,5e-324,1.7976931348623157e+308\n0.1,0,0,0\n",
    "ends_in_bend": "diameter,38\n30,0,90,45\n30,0,90,45\n",
    "bad_numbers": "diameter,38\n0x10,inf,nan,1e999\n.5,5.,1 000,30mm\n",
    "no_diameter": "# only a comment\nY,B,C,R\n30,0,0,45\n",
    "limits": "diameter,-1\n-30,0,190,0\n",
    "too_many_rows": "diameter,1\n" + "1,0,0,0\n" * 101,
    # One byte within the limit on a line's length, and one past it.
    "long_lines": "diameter,1\n#" + "x" * 4095 + "\n1,0,0,0\n#" + "y" * 4096 + "\n",
}
for name, text in FILES.items():
    write("fuzz_programfile", name, text.encode("utf-8"))
write("fuzz_programfile", "not_utf8", b"diameter,38\n30,0,0,45 \xc0\xaf\n\xed\xa0\x80\n")

# The machine profile reader: TOML, valid and invalid.
PROFILES = {
    "example": (HERE.parent.parent / "docs" / "examples" / "bender3.toml").read_text("utf-8"),
    "absolute_left": 'name = "Left"\nb_sign = -1.0\nb_mode = "absolute"\ndie_side = -1\n'
                     'centreline_height = 1200\nspringback = { fixed = -0.5, per_degree = 0.1 }\n',
    "dotted_keys": "springback.fixed = 2\nradii = [ 1e-3, 1_000, 0x10 ]\nmax_angle = 360\n",
    "bad_values": "max_angle = 360.0001\nradii = []\nb_sign = 0\nmax_length = inf\n",
    "unknown_keys": "[tooling]\nspeed = 3\n[springback]\nslope = nan\n",
    "wrong_types": 'name = 3\ntube_diameter = "38"\nb_mode = 1\nsprinback = [[1], [2]]\n',
    "syntax": 'name = "unterminated\nradii = [45,\n[[springback]]\n= 3\n',
    "strings": "name = '''Bender\n\u00e9 3'''\n# \u00fcber\n",
    "gcode": (HERE.parent.parent / "docs" / "examples" / "electric-gcode.toml").read_text("utf-8"),
    "semicolons": (HERE.parent.parent / "docs" / "examples" / "semicolon-table.toml")
    .read_text("utf-8"),
    "templates": 'units = "in"\n[output]\nencoding = "latin-1"\nrow = "{Y:{R}} {B:.{C}f} {{}} {0}"\n'
                 'header = "{name:\u00e4>9} {date:%Y}"\nfooter = "{bend}"\n',
}
for name, text in PROFILES.items():
    write("fuzz_machineprofile", name, text.encode("utf-8"))

# Measured files against the fuzzer's two nominals (a plane part in mm: 50,0,90 40,180,45
# 30,0,60 20,0,0 on R 60, diameter 38; a part in space with no unit: 30,0,90 40,90,90 25,-45,30
# 35,0,0 on R 40, diameter 20): programs and points, of either hand, from either end, in
# either unit, and what is no part.
# The part in space as measured: its walk's points, each a few tenths off.
SPACE_POINTS = [(0, 0, 0), (0.2, 0, -70.1), (-120, 0.3, -70), (-120.2, -75.6, -70),
                (-103.9, -115.2, -53.9)]


def points_text(points, head=""):
    return head + "X,Y,Z\n" + "".join(",".join(str(c) for c in p) + "\n" for p in points)


MEASURED = {
    "plane_program": "diameter,38\nY,B,C,R\n50.2,0,90.5,60\n39.9,180,44.6,60.1\n30,0.3,60,60\n"
                     "20.1,0,0,60\n",
    "space_program_other_hand": "diameter,20\n30,0,90,40\n40,-90,90,40\n25,45,30,40\n35,0,0,40\n",
    "plane_points_units_in": "# units: in\ndiameter,1.49606\nX,Y,Z\n0,0,0\n8,0,0\n8,8,0,2.4\n"
                             "0,16,0\n0,24,0\n",
    "space_points": points_text(SPACE_POINTS, "diameter,20\n"),
    "space_points_reversed": points_text(SPACE_POINTS[::-1]),
    "space_points_mirrored": points_text([(-x, y, z) for x, y, z in SPACE_POINTS]),
    "crlf_semicolons": "\ufeff# units: mm\r\ndiameter;38\r\nx;y;z;r\r\n0;0;0;\r\n200;0;0;60\r\n"
                       "200;200;0;\r\n0;400;0;60\r\n0;600;0;\r\n",
    "points_too_few": points_text(SPACE_POINTS[:4], "diameter,20\n"),
    "points_in_line": points_text([(0, 0, 0), (10, 0, 0), (20, 0, 0), (30, 0, 0), (40, 0, 0)]),
    "points_far_out": points_text([(x * 1e150, y * 1e150, z * 1e150) for x, y, z in SPACE_POINTS],
                                  "# units: in\n"),
    # Found by the fuzzer: a part this far out had its sheath searched to 1e-6 of the diameter,
    # finer than its numbers resolve, for seconds.
    "sheath_far_out": "# units: in\nX,Y,Z\n0.0,0.0,0.0\n2e+149,0.0,-7.01e+151\n"
                      "-1.2e+152,3e+149,-6.999999999999999e+151\n"
                      "-1.202e+152,-7.56e+151,-6.999999999999999e+151\n"
                      "-1.039e+152,-1.152e+152,-4.39e+151\n",
    # Found by the fuzzer: an arc too long for its numbers, counted in quarter turns, was NaN.
    "arc_too_long": "# units: in\nX,Y,Z\n0.0,0.0,0.0\n2e+149,0.0,-7.01e+152\n"
                    "-1.2e+152,2e+149,-6.999999999999999e+151\n"
                    "-1.202e+152,-7.56e+151,-6.999999999999999e+151\n"
                    "-1.039e+152,-1.152e+152,-5.39e+15 \n",
    "program_bend_180": "diameter,20\n30,0,180,40\n40,90,90,40\n25,-45,30,40\n35,0,0,40\n",
    "units_unknown": "# units: furlong\ndiameter,38\n50,0,90,60\n",
}
for name, text in MEASURED.items():
    write("fuzz_measured", name, text.encode("utf-8"))

# Machine programs as the machine command writes them, for the relative and the absolute
# machine of the fuzzer (max_angle 180 and 200), and at their ranges' edges.
MACHINE_HEAD = ("# machine: Left\n# cut length: 312.5\n"
                "# B: {}; C: the machine angle, springback included\n")
MACHINE = {
    "relative": MACHINE_HEAD.format("relative") + "# units: mm\ndiameter,38\nY,B,C,R\n"
                "30,0,93.3,45\n30,90,93.3,45\n30,-90,47.4,45\n30,0,0,45\n",
    "absolute": MACHINE_HEAD.format("absolute") + "diameter,38\nY,B,C,R\n30,0,97,45\n30,270,97,45\n"
                "30,359.999,190,45\n30,0,0,45\n",
    "plane_edges": "diameter,1\n0,180,0,0\n0,-180,0,0\n0,360,0,0\n0,-0,180,1e-300\n",
    "angle_edges": "diameter,1\n1,0,200,1\n1,0,200.0000001,1\n1,0,1,0\n1,0,5e-324,1\n",
    # Straights that sum past the largest number before a bend and in the tail.
    "feeds_overflow": "# units: in\ndiameter,1\n" + "1e308,0,0,1\n1e308,0,90,1\n" * 2
                      + "1e308,0,0,1\n" * 2,
    "crlf_bom": "\ufeff# units: mm\r\ndiameter;38\r\ny;b;c;r\r\n30;0;90,5;45\r\n30;0;0;45\r\n",
    "header_only": "diameter,38\nY,B,C,R\n",
    "last_row_bends": "diameter,38\n30,0,90,45\n30,0,90,45\n",
}
for name, text in MACHINE.items():
    write("fuzz_machineprogram", name, text.encode("utf-8"))


# The profile editor: two springback values in the fuzzer's form (a tag below 0x80 and an
# int16 share of the key's limit; from 0x80 a tagged number of any kind), then a profile.
def share(tag, fraction):
    return bytes([tag]) + struct.pack("<h", round(fraction * 32767))


SPRINGBACK = {
    "example": (share(0, 0.05), share(1, 0.1), PROFILES["example"]),
    "no_table": (share(1, -0.5), share(0, 1), 'name = "Small"\nmax_angle = 180'),
    "one_key": (share(0, 0.3), share(0, -0.2), "[springback]\nfixed = 2 # measured\n[output]\n"
                'row = "{Y}"\n'),
    "dotted": (share(0, 0.01), share(1, 0.02), "springback.per_degree = 0.1\nmax_angle = 190\n"),
    "quoted_keys": (share(0, 0.5), share(0, 0.5), '["springback"]\n"fixed" = 1\n'),
    "inline_table": (share(0, 0.1), share(0, 0.1), "springback = { fixed = 1, per_degree = 0 }\n"),
    "crlf_bom": (share(0, -1), bytes([0x80]) + num(-0.5),
                 "\ufeffname = \"B\"\r\n[springback]\r\nfixed = 0.5\r\n\r\n[output]\r\nrow = "
                 "\"{Y}\"\r\n"),
    "out_of_range": (bytes([0x80]) + num(46), bytes([0x80]) + num("nan"), "[springback]\n"),
    "past_limits": (share(0, -32768 / 32767), share(1, 1), ""),
}
for name, (fixed, per_degree, text) in SPRINGBACK.items():
    write("fuzz_springback", name, fixed + per_degree + text.encode("utf-8"))

# The STEP helper's answer: an L (a straight along x, a quarter bend of R 40, a straight along
# y) listed out of order, a hollow tube, what is no tube, and faults of the text and of the tube.
ELL = ("body 5 200\nstraight 3 10 0 140 100 0 140 40 0\n"
       "bend 2 10 0 100 0 0 140 40 0 100 40 0 0 0 1 90 40\nstraight 1 10 0 0 0 0 100 0 0\n")
CAD = {
    "ell": ELL,
    "hollow_and_not_a_tube": "body 4 70\nstraight 1 10 8.5 0 0 0 30 0 0\nstraight 2 10 8.5 30 0 0 "
                             "70 0 0\nbody 6 17.5\nnotatube face 2: a sphere\nbody 0 0\n",
    "half_turn_ring": "body 2 100\nbend 4 5 0 50 0 0 -50 0 0 0 0 0 0 0 1 180 50\n"
                      "bend 5 5 0 -50 0 0 50 0 0 0 0 0 0 0 1 180 50\n",
    "kink_and_gap": "body 3 300\nstraight 1 10 0 0 0 0 100 0 0\nstraight 2 10 0 100 0 0 100 50 0\n"
                    "body 3 300\nstraight 1 10 0 0 0 0 100 0 0\n"
                    "straight 2 10 0 100.5 0 0 200 0 0\n",
    "huge_and_tiny": "body 1000000000 1.7976931348623157e308\nstraight 1 1e-300 0 -1e308 0 0 "
                     "1e308 0 0\nstraight 2 5e-324 0 0 0 0 0 0 0\n",
    "bad_lines": "body 3 1\nstraight 1 10 0 0 0 0 1 0 0 9\ncone 1\n",
    # Found by the fuzzer: a body with pieces said to be no tube as well read, and was written
    # back without its pieces.
    "pieces_and_not_a_tube": "body 2 100\nbend 4 5 0 50 0 0 -50 0 0 0 0 0 0 0 1 180 50\n"
                             "notatube face 2: a cone\n",
    # Found by the fuzzer: a bore as wide as the tube read, and gave a wall of no thickness.
    "bore_as_wide": "body 2 100\nbend 4 5 5 50 0 0 -50 0 0 0 0 0 0 0 1 180 50\n",
    # Found by the fuzzer: a straight longer than the largest number gave a program with Y inf.
    "longer_than_numbers": "body 1 1e308\nstraight 1 1 0 -1e308 0 0 1e308 0 0\n",
    "crlf": ELL.replace("\n", "\r\n"),
    "many_bends": "body 101 300\n" + "".join(
        "bend {} 5 0 {} {} 0 {} {} 0 0 0 0 0 0 1 1 100\n".format(
            k + 1, *(f"{100 * f(math.radians(a)):.17g}"
                     for a in (k, k + 1) for f in (math.cos, math.sin)))
        for k in range(101)),
}
for name, text in CAD.items():
    write("fuzz_cadbodies", name, text.encode("utf-8"))
