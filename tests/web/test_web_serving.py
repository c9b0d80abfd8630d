"""The test server sends a file's precompressed copy (NAME.br, NAME.gz, as the
build makes them) to a client that takes its encoding, and the file itself
otherwise or when the copy is older than the file.
"""

import gzip
import os
import shutil
import tempfile
import unittest
import urllib.request

from pexweb import serve_web

ORIGINAL = b"\0asm" + bytes(range(256)) * 64


class WebServingTest(unittest.TestCase):
    def test_each_encoding_the_client_takes_gets_its_copy(self):
        folder = tempfile.mkdtemp(prefix="pex-web-serving-")
        self.addCleanup(shutil.rmtree, folder, True)
        path = os.path.join(folder, "pex.wasm")
        packed = {"gzip": gzip.compress(ORIGINAL), "br": b"brotli's copy"}
        server = serve_web.start([folder])
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)

        def fetch(accept):
            request = urllib.request.Request(server.url + "pex.wasm",
                                             headers={"Accept-Encoding": accept})
            with urllib.request.urlopen(request) as reply:
                self.assertEqual(reply.headers["Content-Type"], "application/wasm")
                return reply.headers["Content-Encoding"], reply.read()

        # (copies beside the file, Accept-Encoding, the encoding expected)
        cases = [
            (("br", "gzip"), "gzip, deflate, br", "br"),
            (("br", "gzip"), "gzip;q=1.0, identity", "gzip"),
            (("br", "gzip"), "", None),
            (("gzip",), "br, gzip", "gzip"),
            (("br",), "gzip", None),
            ((), "br, gzip", None),
        ]
        for copies, accept, expected in cases:
            with self.subTest(copies=copies, accept=accept):
                with open(path, "wb") as f:
                    f.write(ORIGINAL)
                for encoding, suffix in (("gzip", ".gz"), ("br", ".br")):
                    if encoding in copies:
                        with open(path + suffix, "wb") as f:
                            f.write(packed[encoding])
                    elif os.path.exists(path + suffix):
                        os.remove(path + suffix)
                # The compressors give a copy the file's time to the second.
                stamp = int(os.path.getmtime(path))
                os.utime(path, (stamp + 0.5, stamp + 0.5))
                for suffix in (".gz", ".br"):
                    if os.path.exists(path + suffix):
                        os.utime(path + suffix, (stamp, stamp))
                encoding, body = fetch(accept)
                self.assertEqual(encoding, expected)
                self.assertEqual(body, packed[expected] if expected else ORIGINAL)
                if expected == "gzip":
                    self.assertEqual(gzip.decompress(body), ORIGINAL)
                # A file rebuilt after its copies is sent itself.
                for suffix in (".gz", ".br"):
                    if os.path.exists(path + suffix):
                        os.utime(path + suffix, (stamp - 5, stamp - 5))
                self.assertEqual(fetch(accept), (None, ORIGINAL))


if __name__ == "__main__":
    unittest.main()
