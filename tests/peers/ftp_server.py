#!/usr/bin/python3
"""A real FTP server for integration tests and benchmarks (python3-pyftpdlib).

    /usr/bin/python3 ftp_server.py --root DIR --user NAME --password PW [--port 0]

Serves DIR on 127.0.0.1 with one account that may write there, prints
"PORT <n>" on a line of its own once listening, and runs until terminated.
Active-mode data connections go back to the address of the control
connection, as pyftpdlib allows by default.
"""

import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", args.port), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
