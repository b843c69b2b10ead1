"""The sandbox's download server: serves a folder on 127.0.0.1, also to clients that use it as their HTTP proxy.

Usage: /usr/bin/python3 http_server.py ROOT PORT_FILE HOST...

It binds a free port and writes the number to PORT_FILE once it listens, so the caller never races for a port.
Through http_proxy a client sends absolute request lines ("GET http://host/files/x.iso HTTP/1.1"), which
http.server's own handler would look up as a file named "http:"; here they are served from ROOT when the host
is one of HOST (the sandbox passes its SANDBOX_DOWNLOAD_HOST), and any other host gets 502, as a proxy that
cannot reach it.
"""
import http.server
import os
import sys
import urllib.parse


def make_handler(root, hosts):
    class Handler(http.server.SimpleHTTPRequestHandler):
        # HTTP/1.1 so that clients which send Connection: keep-alive see what they asked for.
        protocol_version = "HTTP/1.1"

        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=root, **kwargs)

        def _local_path(self):
            """Turns an absolute request target into a path on this server, or None for a foreign host."""
            if "://" not in self.path:
                return self.path
            url = urllib.parse.urlsplit(self.path)
            if url.scheme != "http" or (url.hostname or "").lower() not in hosts:
                return None
            return urllib.parse.urlunsplit(("", "", url.path or "/", url.query, ""))

        def _serve(self, method):
            local = self._local_path()
            if local is None:
                self.send_error(502, "This proxy reaches only the sandbox's own hosts")
                return
            self.path = local
            method()

        def do_GET(self):
            self._serve(super().do_GET)

        def do_HEAD(self):
            self._serve(super().do_HEAD)

        def log_message(self, fmt, *args):
            sys.stderr.write("http_server: %s %s\n" % (self.address_string(), fmt % args))

    return Handler


def main():
    if len(sys.argv) < 4:
        sys.exit("usage: http_server.py ROOT PORT_FILE HOST...")
    root, port_file = os.path.abspath(sys.argv[1]), sys.argv[2]
    hosts = {h.lower() for h in sys.argv[3:]}
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), make_handler(root, hosts))
    # Written whole under another name first, so a reader never sees half a number.
    with open(port_file + ".tmp", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(port_file + ".tmp", port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
