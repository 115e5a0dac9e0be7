#!/usr/bin/python3
"""A small HTTP receiver for integration tests, on the standard library only.

    /usr/bin/python3 http_receiver.py --port P --record DIR [--status CODE]
        [--header "Name: value"]... [--bind 127.0.0.1]

Binds (port 0: any free port), prints "PORT <n>" on a line of its own once
listening, then answers every request with the given status (default 200),
the given header lines and a short body, until it is terminated. For each
request, numbered from 1, it writes into DIR:

  <n>.head   the request line and header lines exactly as received (CR LF kept)
  <n>.body   the body bytes, read by Content-Length
  <n>.file1  for multipart/form-data bodies: the payload of field "file1" as
             the standard library's multipart parser yields it
  <n>.json   {"method", "path", "query", "headers": {name: value},
              "fields": {name: {"filename", "size"}}}
  <n>.done   written last, so a test can wait for it

Connections stay open for further requests when the client asks for it
(HTTP/1.0 with "Connection: keep-alive", or HTTP/1.1 without "close").
"""

import argparse
import email.parser
import email.policy
import http
import json
import os
import socketserver
import sys
import threading

MAX_HEAD_BYTES = 1024 * 1024


class Recorder:
    def __init__(self, directory):
        self.directory = directory
        self.lock = threading.Lock()
        self.count = 0

    def next_number(self):
        with self.lock:
            self.count += 1
            return self.count

    def write(self, number, suffix, data):
        path = os.path.join(self.directory, "%d.%s" % (number, suffix))
        with open(path, "wb") as out:
            out.write(data)


def parse_multipart(content_type, body):
    """Returns {name: (filename, payload bytes)} as the email parser sees them."""
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + content_type.encode("latin-1") + b"\r\n\r\n" + body)
    fields = {}
    if not message.is_multipart():
        return fields
    for part in message.iter_parts():
        name = part.get_param("name", header="content-disposition")
        if name is None:
            continue
        payload = part.get_payload(decode=True)
        if payload is None:
            payload = b""
        fields[str(name)] = (part.get_filename(), payload)
    return fields


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        while self.serve_one():
            pass

    def read_head(self):
        lines = []
        total = 0
        while True:
            line = self.rfile.readline(65537)
            if not line:
                return None
            total += len(line)
            if total > MAX_HEAD_BYTES:
                return None
            lines.append(line)
            if line in (b"\r\n", b"\n"):
                return lines

    def serve_one(self):
        lines = self.read_head()
        if not lines:
            return False
        request_line = lines[0].decode("latin-1").rstrip("\r\n")
        words = request_line.split(" ")
        method = words[0] if words else ""
        target = words[1] if len(words) > 1 else ""
        version = words[2] if len(words) > 2 else "HTTP/1.0"
        headers = {}
        for raw in lines[1:-1]:
            text = raw.decode("latin-1").rstrip("\r\n")
            name, _, value = text.partition(":")
            headers[name.strip()] = value.strip()

        def header(name):
            for key, value in headers.items():
                if key.lower() == name.lower():
                    return value
            return ""

        if header("Expect").lower() == "100-continue":
            self.wfile.write(b"HTTP/1.1 100 Continue\r\n\r\n")
            self.wfile.flush()
        length = int(header("Content-Length") or "0")
        body = self.rfile.read(length) if length > 0 else b""

        number = self.server.recorder.next_number()
        recorder = self.server.recorder
        recorder.write(number, "head", b"".join(lines))
        recorder.write(number, "body", body)
        fields = {}
        content_type = header("Content-Type")
        if content_type.lower().startswith("multipart/form-data"):
            parsed = parse_multipart(content_type, body)
            for name, (filename, payload) in parsed.items():
                fields[name] = {"filename": filename, "size": len(payload)}
            if "file1" in parsed:
                recorder.write(number, "file1", parsed["file1"][1])
        path, _, query = target.partition("?")
        summary = {"method": method, "path": path, "query": query, "headers": headers,
                   "fields": fields}
        recorder.write(number, "json", json.dumps(summary, indent=1).encode("utf-8"))

        connection = header("Connection").lower()
        if version.upper() == "HTTP/1.1":
            keep_alive = connection != "close"
        else:
            keep_alive = connection == "keep-alive"
        status = self.server.status
        try:
            reason = http.HTTPStatus(status).phrase
        except ValueError:
            reason = "Status"
        answer_body = b"received\n"
        answer = ["HTTP/1.1 %d %s" % (status, reason)]
        answer += self.server.extra_headers
        answer.append("Content-Length: %d" % len(answer_body))
        answer.append("Connection: %s" % ("keep-alive" if keep_alive else "close"))
        data = ("\r\n".join(answer) + "\r\n\r\n").encode("latin-1") + answer_body
        self.wfile.write(data)
        self.wfile.flush()
        recorder.write(number, "done", b"")
        return keep_alive


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--record", required=True)
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--header", action="append", default=[])
    parser.add_argument("--bind", default="127.0.0.1")
    args = parser.parse_args()
    os.makedirs(args.record, exist_ok=True)

    server = Server((args.bind, args.port), Handler)
    server.recorder = Recorder(args.record)
    server.status = args.status
    server.extra_headers = args.header
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
