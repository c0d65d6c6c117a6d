"""The benchmark's synthetic payload: the same bytes from the same inputs, the size and count
asked for, names the setup accepts, and data that deflates as the kind it stands for."""
import os
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import synthetic_payload as sp  # noqa: E402

# (MiB, files expected in all: product's 3 plus synthetic)
SIZES = [(1, 5), (4, 20), (12, 60)]
# kind: the band its deflated size must fall in, as a share of its size
RATIOS = {"code": (0.35, 0.5), "text": (0.3, 0.45), "image": (0.99, 1.01)}


class SyntheticPayload(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.product = os.path.join(cls.dir.name, "product.zip")
        with zipfile.ZipFile(cls.product, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("Plugins/", b"")
            z.writestr("Plugins/Icons.dll", b"MZ" + bytes(5000))
            z.writestr("lu_scp64.exe", b"MZ" + bytes(range(256)) * 40)
            z.writestr("Help/", b"")
            z.writestr("Help/liesmich.txt", "Lies mich.\r\n".encode("cp1252"))

    def make(self, mib, seed=sp.SEED, name="out.zip"):
        path = os.path.join(self.dir.name, name)
        return path, sp.write(self.product, path, mib, seed)

    def test_same_inputs_same_bytes_other_seed_other_bytes(self):
        a, _ = self.make(4, name="a.zip")
        b, _ = self.make(4, name="b.zip")
        c, _ = self.make(4, seed=sp.SEED + 1, name="c.zip")
        data = [open(p, "rb").read() for p in (a, b, c)]
        self.assertEqual(data[0], data[1])
        self.assertNotEqual(data[0], data[2])

    def test_size_count_names_and_order(self):
        for mib, files in SIZES:
            with self.subTest(mib=mib):
                path, summary = self.make(mib)
                with zipfile.ZipFile(path) as z, zipfile.ZipFile(self.product) as product:
                    infos = z.infolist()
                    self.assertIsNone(z.testzip())
                    self.assertEqual([i.filename for i in infos[:5]], [i.filename for i in product.infolist()])
                    self.assertEqual(z.read("lu_scp64.exe"), product.read("lu_scp64.exe"))
                self.assertEqual(sum(i.file_size for i in infos), mib * sp.MIB)
                self.assertEqual(sum(not i.is_dir() for i in infos), files)
                self.assertEqual(summary["files"], files)
                names = [i.filename.lower() for i in infos]
                self.assertEqual(len(names), len(set(names)))
                seen = set()
                for name in names:  # each folder's entry before anything in it
                    folder = name.rstrip("/").rpartition("/")[0]
                    self.assertTrue(not folder or folder + "/" in seen, name)
                    seen.add(name)
                self.assertTrue(all(n.isascii() and len(n) < 100 for n in names))

    def test_kinds_deflate_like_what_they_stand_for(self):
        _path, summary = self.make(12)
        for kind, (low, high) in RATIOS.items():
            files, size, packed = summary["kinds"][kind]
            with self.subTest(kind=kind):
                self.assertGreater(files, 0)
                self.assertTrue(low <= packed / size <= high, packed / size)


if __name__ == "__main__":
    unittest.main()
