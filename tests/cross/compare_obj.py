#!/usr/bin/env python3
"""compare_obj.py [--label NAME] [--prefix P] [--bytes] LEFT RIGHT [LEFT RIGHT ...]

Compares the meshes that two runs of tavren-host wrote, pair by pair: two OBJ files, or two
folders (every .obj file of either folder, or each whose name starts with P, against the file
of the same name in the other). The figures of all pairs are added up.

The host writes each coordinate with 17 significant digits, which name one double exactly, so
points are compared by the bits of the numbers their text names (equal text, equal bits); the
size of a difference is the largest absolute difference of a coordinate. Faces must be the
same lists. The files' bytes are compared too.

Prints one line:
  NAME: F files (B byte-identical), P points compared, D differing points,
        max abs difference X
Exit status: 0 every point bit-identical; 1 some points differ (with --bytes: or some file's
bytes differ); 2 the meshes cannot be compared (a file missing on one side, unreadable, with
other point or face counts or other faces, or a coordinate that is not a finite number); the
reason is printed on standard error.
"""
import argparse
import math
import os
import struct
import sys


class Incomparable(Exception):
    """The two sides do not hold the same meshes; the message says where."""


def read_obj(path):
    """in: path of an OBJ file. out: (raw bytes, list of (x, y, z) coordinate texts, list of
    face lines). Raises Incomparable naming the file and line when a point line is malformed."""
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        raise Incomparable(f"{path}: cannot read: {e.strerror}")
    points, faces = [], []
    for number, line in enumerate(raw.decode("utf-8", "replace").splitlines(), 1):
        fields = line.split()
        if not fields:
            continue
        if fields[0] == "v":
            if len(fields) < 4:
                raise Incomparable(f"{path}:{number}: a point needs three coordinates")
            points.append(tuple(fields[1:4]))
        elif fields[0] == "f":
            faces.append(" ".join(fields[1:]))
    return raw, points, faces


def coordinates(texts, path):
    """in: a point's coordinate texts and its file. out: the three finite numbers; raises
    Incomparable naming the file when one is not a finite number."""
    try:
        values = [float(t) for t in texts]
    except ValueError:
        values = [math.nan]
    if not all(math.isfinite(v) for v in values):
        raise Incomparable(f"{path}: a point has a coordinate that is not a finite number: {' '.join(texts)}")
    return values


def bits(value):
    """in: a double. out: its 64 bits (so 0 and -0 differ, as they do in a file)."""
    return struct.unpack("<Q", struct.pack("<d", value))[0]


class Tally:
    """Running figures of a comparison."""

    def __init__(self):
        self.files = self.identical_files = self.points = self.differing = 0
        self.max_abs = 0.0

    def add_file(self, left, right):
        """in: paths of the two sides of one mesh. out: figures updated; raises Incomparable
        when the two do not hold the same mesh."""
        lraw, lpoints, lfaces = read_obj(left)
        rraw, rpoints, rfaces = read_obj(right)
        if len(lpoints) != len(rpoints):
            raise Incomparable(f"{left}: {len(lpoints)} points, {right}: {len(rpoints)}")
        if lfaces != rfaces:
            raise Incomparable(f"{left} and {right}: the faces differ")
        self.files += 1
        self.identical_files += lraw == rraw
        self.points += len(lpoints)
        for a, b in zip(lpoints, rpoints):
            if a == b:
                continue
            x, y = coordinates(a, left), coordinates(b, right)
            if [bits(v) for v in x] == [bits(v) for v in y]:
                continue
            self.differing += 1
            self.max_abs = max([self.max_abs] + [abs(u - v) for u, v in zip(x, y)])

    def line(self, label):
        """out: the one-line summary."""
        return (f"{label}: {self.files} files ({self.identical_files} byte-identical), "
                f"{self.points} points compared, {self.differing} differing points, "
                f"max abs difference {self.max_abs:.17g}")


def pairs(left, right, prefix):
    """in: two files, or two folders and the prefix of the names to take from them. out: the
    (left, right) file pairs to compare; raises Incomparable when a mesh is on one side only,
    there is none, or the sides are of different kinds."""
    if os.path.isdir(left) and os.path.isdir(right):
        def meshes(folder):
            return {n for n in os.listdir(folder) if n.endswith(".obj") and n.startswith(prefix)}
        lnames, rnames = meshes(left), meshes(right)
        for name in sorted(lnames ^ rnames):
            side = left if name in lnames else right
            raise Incomparable(f"{name}: only in {side}")
        if not lnames:
            raise Incomparable(f"{left}: no {prefix}*.obj files")
        return [(os.path.join(left, n), os.path.join(right, n)) for n in sorted(lnames)]
    if os.path.isfile(left) and os.path.isfile(right):
        return [(left, right)]
    raise Incomparable(f"{left} and {right}: need two files or two folders")


def main(argv):
    parser = argparse.ArgumentParser(description="Compare the meshes of two runs bit for bit.")
    parser.add_argument("--label", help="name printed at the start of the summary")
    parser.add_argument("--prefix", default="", help="in folders, compare only files whose names start so")
    parser.add_argument("--bytes", action="store_true", help="fail when files differ in any byte")
    parser.add_argument("paths", nargs="+", metavar="LEFT RIGHT")
    args = parser.parse_args(argv)
    if len(args.paths) % 2:
        parser.error("paths come in pairs: LEFT RIGHT")
    tally = Tally()
    try:
        for i in range(0, len(args.paths), 2):
            for left, right in pairs(args.paths[i], args.paths[i + 1], args.prefix):
                tally.add_file(left, right)
    except Incomparable as e:
        print(f"compare_obj: {e}", file=sys.stderr)
        return 2
    print(tally.line(args.label or f"{args.paths[0]} vs {args.paths[1]}"))
    if tally.differing or (args.bytes and tally.identical_files != tally.files):
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
