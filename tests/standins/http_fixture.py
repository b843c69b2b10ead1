#!/usr/bin/python3
"""Loopback HTTP server for the downloader's checks, built on Python's http.server.

usage: http_fixture.py ROOT PORTFILE LOGFILE
Listens on 127.0.0.1 on a free port, which it writes to PORTFILE once it listens.
Each request is logged to LOGFILE as one JSON line (request line, Host, Range).
Requests may use the absolute form a client sends to a proxy; the path decides:
  /files/NAME          ROOT/NAME with Content-Length (no Range support, like http.server)
  /chunked/NAME        the same bytes in the chunked coding, with an extension and a trailer
  /redirect/N/NAME     302 to /redirect/N-1/NAME (relative and absolute Locations), 0 -> /files/NAME
  /latest              302 to /redirect/3/FIRST, FIRST being the first file in ROOT
  /loop                302 to itself
  /flaky/NAME          the first request drops the connection halfway, later ones send it whole
  /resume/NAME         the first request drops halfway, later ones honour Range with 206
  /broken/NAME         every request drops the connection halfway
  /status/CODE         an empty response with that status
"""
import http.server
import json
import os
import sys
import threading
import urllib.parse

ROOT, PORTFILE, LOGFILE = sys.argv[1:4]
seen = {}
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def first_time(self, key):
        with lock:
            seen[key] = seen.get(key, 0) + 1
            return seen[key] == 1

    def body_of(self, name):
        path = os.path.join(ROOT, os.path.basename(name))
        if not os.path.isfile(path):
            return None
        with open(path, 'rb') as f:
            return f.read()

    def send_empty(self, code, headers=()):
        self.send_response(code)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header('Content-Length', '0')
        self.end_headers()

    def do_GET(self):
        with lock, open(LOGFILE, 'a') as log:
            log.write(json.dumps({'line': self.requestline, 'host': self.headers.get('Host'),
                                  'range': self.headers.get('Range')}) + '\n')
        path = urllib.parse.urlsplit(self.path).path
        parts = path.strip('/').split('/')
        kind, rest = parts[0], parts[1:]
        if kind == 'status':
            return self.send_empty(int(rest[0]))
        if kind == 'latest':
            return self.send_empty(302, [('Location', '/redirect/3/' + sorted(os.listdir(ROOT))[0])])
        if kind == 'loop':
            return self.send_empty(302, [('Location', '/loop')])
        if kind == 'redirect':
            n, name = int(rest[0]), rest[1]
            if n == 0:
                target = '/files/' + name
            elif n % 2:
                target = '../%d/%s' % (n - 1, name)  # relative to /redirect/N/
            else:
                target = 'http://%s/redirect/%d/%s' % (self.headers.get('Host'), n - 1, name)
            return self.send_empty(302, [('Location', target)])
        body = self.body_of(rest[-1]) if rest else None
        if body is None:
            return self.send_empty(404)
        if kind == 'chunked':
            self.send_response(200)
            self.send_header('Transfer-Encoding', 'chunked')
            self.end_headers()
            pos, size = 0, 1
            while pos < len(body):
                piece = body[pos:pos + size]
                self.wfile.write(b'%x;piece=%d\r\n%s\r\n' % (len(piece), pos, piece))
                pos += len(piece)
                size = size * 3 + 7
            self.wfile.write(b'0\r\nX-Trailer: done\r\n\r\n')
            return
        drop = (kind == 'broken' or (kind in ('flaky', 'resume') and self.first_time(path)))
        start = 0
        rng = self.headers.get('Range')
        if kind == 'resume' and rng and rng.startswith('bytes=') and not drop:
            start = int(rng[6:].split('-')[0])
            self.send_response(206)
            self.send_header('Content-Range', 'bytes %d-%d/%d' % (start, len(body) - 1, len(body)))
        elif kind in ('files', 'flaky', 'resume', 'broken'):
            self.send_response(200)
        else:
            return self.send_empty(404)
        self.send_header('Content-Length', str(len(body) - start))
        self.end_headers()
        if drop:
            self.wfile.write(body[:len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        self.wfile.write(body[start:])


server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
with open(PORTFILE + '.tmp', 'w') as f:
    f.write(str(server.server_address[1]))
os.rename(PORTFILE + '.tmp', PORTFILE)
server.serve_forever()
