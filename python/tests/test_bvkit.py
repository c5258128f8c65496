"""bvkit gives bvfit's report and errors for arrays, and lets other threads run while it fits.
PYTHONPATH names the built module, BVFIT_PROGRAM the bvfit program."""
import json
import os
import subprocess
import sys
import tempfile
import threading
import unittest

import numpy as np

import bvkit

CUBE = np.array([[x, y, z] for x in (0, 1) for y in (0, 1) for z in (0, 1)], dtype=np.float32)


def timeless(report):
    """The report without its timings (top-level and per-volume "seconds"), which vary."""
    if isinstance(report, dict):
        return {k: timeless(v) for k, v in report.items() if k != "seconds"}
    return report


def fitted(points):
    return timeless(bvkit.fit(points))


class BvkitTest(unittest.TestCase):
    @unittest.skipUnless(os.environ.get("BVFIT_PROGRAM"), "BVFIT_PROGRAM not set")
    def test_same_report_as_bvfit(self):
        self.assertEqual(bvkit.fit(CUBE)["hull"]["volume"], 1)
        cloud = np.random.default_rng(7).normal(size=(100, 3)).astype(np.float32)
        for points in (CUBE, cloud):
            with tempfile.TemporaryDirectory() as tmp:
                path = os.path.join(tmp, "points.xyz")
                np.savetxt(path, points, fmt="%.9g")  # nine digits read back as the same float
                out = subprocess.run([os.environ["BVFIT_PROGRAM"], "--json", path], check=True,
                                     capture_output=True, text=True).stdout
            expected = timeless({k: v for k, v in json.loads(out).items() if k != "file"})
            self.assertEqual(fitted(points), expected)
        # Models, read by bvkit.load and by bvfit from the same file.
        for model in ("PLY/Wuson.ply", "STL/Spider_binary.stl", "OBJ/spider.obj"):
            path = os.path.join("/usr/share/assimp/models", model)
            if not os.path.exists(path):
                continue
            out = subprocess.run([os.environ["BVFIT_PROGRAM"], "--json", path], check=True,
                                 capture_output=True, text=True).stdout
            expected = timeless({k: v for k, v in json.loads(out).items() if k != "file"})
            self.assertEqual(fitted(bvkit.load(path)[0]), expected, model)

    def test_float64_is_rounded_to_float32(self):
        points = np.random.default_rng(3).random((50, 3))
        rounded = points.astype(np.float32)
        self.assertEqual(fitted(points), fitted(rounded))
        self.assertEqual(fitted(points[::2]), fitted(np.ascontiguousarray(rounded[::2])))

    def test_errors(self):
        with self.assertRaisesRegex(ValueError, "^no points$"):
            bvkit.fit(np.zeros((0, 3)))
        nan = CUBE.copy()
        nan[5, 1] = np.nan
        with self.assertRaisesRegex(ValueError, "^point 6 has a non-finite coordinate$"):
            bvkit.fit(nan)
        with self.assertRaisesRegex(ValueError, r"shape \(N, 3\), got \(8, 2\)"):
            bvkit.fit(np.zeros((8, 2)))
        with self.assertRaisesRegex(TypeError, "float32 or float64, got int64"):
            bvkit.fit(np.zeros((8, 3), dtype=np.int64))
        with self.assertRaisesRegex(OSError, "^/nonexistent/model.obj: no such file$"):
            bvkit.load("/nonexistent/model.obj")

    def test_load(self):
        with tempfile.NamedTemporaryFile("w", suffix=".xyz") as file:
            np.savetxt(file, CUBE, fmt="%.9g")
            file.flush()
            points, faces = bvkit.load(file.name)
        self.assertEqual(points.dtype, np.float32)
        np.testing.assert_array_equal(points, CUBE)
        self.assertTrue(faces is None or faces.shape[1:] == (3,))

    def test_fit_lets_other_threads_run(self):
        rng = np.random.default_rng(1)
        points = rng.normal(size=(200_000, 3))  # a ball: its fit takes a good fraction of a second
        points *= rng.random((200_000, 1)) ** (1 / 3) / np.linalg.norm(points, axis=1)[:, None]
        fitting, go, seen = [False], threading.Event(), []
        probe = threading.Thread(target=lambda: (go.wait(), seen.append(fitting[0])))
        # Without forced switches the probe gets the interpreter only when this thread lets go
        # of it: inside the fit if the fit releases it, else at the join after the fit.
        interval = sys.getswitchinterval()
        sys.setswitchinterval(1000)
        try:
            probe.start()
            fitting[0] = True
            go.set()
            bvkit.fit(points)
            fitting[0] = False
            probe.join()
        finally:
            sys.setswitchinterval(interval)
        self.assertEqual(seen, [True])


if __name__ == "__main__":
    unittest.main()
