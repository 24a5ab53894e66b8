"""A real FTP server for the tests (pyftpdlib), on 127.0.0.1.

Usage: ftp_server.py --port P --root DIR --user U --password PW [--events FILE]
                     [--nlst-with-folder]

--events FILE          append one line per finished upload: "STOR <path> <bytes>"
--nlst-with-folder     answer "NLST folder" with "folder/name" entries, as some servers do
Prints "READY" on stdout once it listens.
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", type=int, required=True)
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--events")
    ap.add_argument("--nlst-with-folder", action="store_true")
    args = ap.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    events = args.events

    class Handler(FTPHandler):
        def on_file_received(self, file):
            if events:
                with open(events, "a", encoding="utf-8") as f:
                    f.write("STOR %s %d\n" % (os.path.relpath(file, args.root), os.path.getsize(file)))

        def ftp_NLST(self, path):
            if not args.nlst_with_folder:
                return FTPHandler.ftp_NLST(self, path)
            # Answer with "<arg>/<name>" like servers that echo the folder they were asked for.
            arg = self._last_nlst_arg or ""
            try:
                listing = sorted(self.run_as_current_user(self.fs.listdir, path))
            except (OSError, FileNotFoundError) as err:
                self.respond("550 %s." % err)
                return
            prefix = arg.rstrip("/") + "/" if arg else ""
            data = "".join("%s%s\r\n" % (prefix, name) for name in listing)
            self.push_dtp_data(data.encode(self.encoding, "replace"), cmd="NLST")
            return path

        def pre_process_command(self, line, cmd, arg):
            if cmd == "NLST":
                self._last_nlst_arg = arg
            return FTPHandler.pre_process_command(self, line, cmd, arg)

    Handler.authorizer = authorizer
    Handler.encoding = "utf-8"
    Handler.banner = "servidor de testes"
    Handler.passive_ports = None
    Handler._last_nlst_arg = None
    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.max_cons = 64
    print("READY", flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
