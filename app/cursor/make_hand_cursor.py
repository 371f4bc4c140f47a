#!/usr/bin/env python3
"""Writes HAND-M.CUR: a 32 x 32 pointing hand, hot spot at the tip of the index finger."""
import struct
import sys

# '#' outline, '.' fill, ' ' transparent
ART = """
      ##
     #..#
     #..#
     #..#
     #..#
     #..###
     #..#..###
     #..#..#..##
  ## #..#..#..#.#
 #..##........#.#
 #...#..........#
  #.............#
   #............#
   #...........#
    #..........#
    #.........#
     #........#
     #........#
     ##########
"""


def main(path):
    rows = [line.ljust(32)[:32] for line in ART.strip("\n").split("\n")]
    rows += [" " * 32] * (32 - len(rows))
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # bottom-up
        bits = 0
        for x, c in enumerate(row):
            if c == "#":
                pixels += bytes((0, 0, 0, 255))
            elif c == ".":
                pixels += bytes((255, 255, 255, 255))
            else:
                pixels += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    hot_x, hot_y = 7, 0
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 2, 1) + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "HAND-M.CUR")
