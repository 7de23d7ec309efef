#!/usr/bin/env python3
"""The mesh comparison of scripts/wine.sh (compare_obj.py) on small meshes written here: it
must see a one-ulp change and a sign of zero, add up folders and pairs, tell a byte-only
difference apart, and refuse meshes that cannot be compared, naming the fault."""
import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare_obj  # noqa: E402

TRIANGLE = ["v 0 0 0", "v 1 0 0", "v 0 1 0", "f 1 2 3"]


class CompareObjTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def mesh(self, name, lines, header="# 3 points, 1 polygons"):
        """Writes an OBJ file of the given lines under the test folder; returns its path."""
        path = os.path.join(self.dir.name, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write("\n".join([header] + lines) + "\n")
        return path

    def run_main(self, *args):
        """Runs the command line; returns (exit status, standard output, standard error)."""
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = compare_obj.main(list(args))
        return status, out.getvalue().strip(), err.getvalue().strip()

    def test_identical_meshes(self):
        a = self.mesh("a/m.obj", TRIANGLE)
        b = self.mesh("b/m.obj", TRIANGLE)
        status, out, _ = self.run_main("--bytes", "--label", "same", a, b)
        self.assertEqual(status, 0)
        self.assertEqual(out, "same: 1 files (1 byte-identical), 3 points compared, 0 differing points, "
                              "max abs difference 0")

    def test_last_bit_and_sign_of_zero_count(self):
        a = self.mesh("a/m.obj", TRIANGLE)
        b = self.mesh("b/m.obj", ["v 0 0 0", "v 1.0000000000000002 0 0", "v 0 1 -0", "f 1 2 3"])
        status, out, _ = self.run_main(a, b)
        self.assertEqual(status, 1)
        self.assertIn("2 differing points, max abs difference 2.2204460492503131e-16", out)

    def test_other_spelling_of_the_same_double_is_equal(self):
        a = self.mesh("a/m.obj", TRIANGLE)
        b = self.mesh("b/m.obj", ["v 0.0 0e3 0", "v 1.00000000000000000 0 0", "v 0 1 0", "f 1 2 3"])
        self.assertEqual(self.run_main(a, b)[0], 0)
        status, out, _ = self.run_main("--bytes", a, b)
        self.assertEqual(status, 1)
        self.assertIn("(0 byte-identical)", out)

    def test_folders_and_pairs_add_up(self):
        for side in ("a", "b"):
            self.mesh(f"{side}/arm_rest.obj", TRIANGLE)
            self.mesh(f"{side}/arm_skin_0001.obj", TRIANGLE)
            self.mesh(f"{side}/notes.txt", ["not a mesh"])
        self.mesh("b/arm_skin_0002.obj", TRIANGLE)
        a, b = os.path.join(self.dir.name, "a"), os.path.join(self.dir.name, "b")
        status, out, _ = self.run_main("--prefix", "arm_rest", a, b, a + "/arm_skin_0001.obj", b + "/arm_skin_0002.obj")
        self.assertEqual(status, 0)
        self.assertIn("2 files (2 byte-identical), 6 points compared", out)

    def test_incomparable_meshes_are_refused(self):
        a = self.mesh("a/m.obj", TRIANGLE)
        cases = {
            "fewer points": (["v 0 0 0", "v 1 0 0", "f 1 2 2"], "3 points"),
            "other faces": (["v 0 0 0", "v 1 0 0", "v 0 1 0", "f 1 3 2"], "the faces differ"),
            "short point": (["v 0 0 0", "v 1 0", "v 0 1 0", "f 1 2 3"], "m.obj:3: a point needs three coordinates"),
            "not a number": (["v 0 0 0", "v 1 0 zero", "v 0 1 0", "f 1 2 3"], "not a finite number: 1 0 zero"),
        }
        for name, (lines, message) in cases.items():
            with self.subTest(name):
                b = self.mesh("b/m.obj", lines)
                status, _, err = self.run_main(a, b)
                self.assertEqual(status, 2)
                self.assertIn(message, err)

    def test_a_mesh_on_one_side_only_is_named(self):
        self.mesh("a/m.obj", TRIANGLE)
        self.mesh("b/m.obj", TRIANGLE)
        self.mesh("b/extra.obj", TRIANGLE)
        status, _, err = self.run_main(os.path.join(self.dir.name, "a"), os.path.join(self.dir.name, "b"))
        self.assertEqual(status, 2)
        self.assertIn("extra.obj: only in", err)
        status, _, err = self.run_main(os.path.join(self.dir.name, "a"), os.path.join(self.dir.name, "missing.obj"))
        self.assertEqual(status, 2)
        self.assertIn("need two files or two folders", err)


if __name__ == "__main__":
    unittest.main()
