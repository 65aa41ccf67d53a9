#!/usr/bin/env python3
"""An independent TLS-inside-Telnet server for the connection tests.

Usage: telnet_tls_peer.py CERTIFICATE KEY VERSION
VERSION is 1.2 or 1.3. Listens on 127.0.0.1 with a free port and prints the
port. For one client: sends IAC DO START_TLS, waits for IAC WILL START_TLS,
runs the TLS handshake with Python's ssl module (OpenSSL), greets, and answers
each line with "echo <line> <TLS version>" until the line "quit", after which
it ends the TLS session and closes.
"""
import socket
import ssl
import sys

IAC, WILL, DO, START_TLS = 255, 251, 253, 46


def read_line(stream):
    """The next non-empty line of Telnet data; CR NUL, CR LF and CR end it."""
    line = bytearray()
    while True:
        byte = stream.recv(1)
        if not byte:
            return None
        if byte in (b"\r", b"\n"):
            if line:
                return bytes(line)
        elif byte != b"\0":
            line += byte


def main():
    certificate, key, version = sys.argv[1:4]
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    listener.settimeout(20)
    client, _ = listener.accept()
    client.settimeout(10)
    client.sendall(bytes([IAC, DO, START_TLS]))
    seen = bytearray()
    while not seen.endswith(bytes([IAC, WILL, START_TLS])):
        byte = client.recv(1)
        if not byte:
            return 1
        seen += byte
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    chosen = ssl.TLSVersion.TLSv1_3 if version == "1.3" else ssl.TLSVersion.TLSv1_2
    context.minimum_version = chosen
    context.maximum_version = chosen
    context.load_cert_chain(certificate, key)
    secure = context.wrap_socket(client, server_side=True)
    secure.sendall(b"Welcome over " + secure.version().encode() + b"\r\nlogin: ")
    while True:
        line = read_line(secure)
        if line is None:
            return 0
        if line == b"quit":
            # The NUL of the line end CR NUL is still on its way.
            secure.settimeout(1)
            if secure.recv(1) != b"\0":
                return 2
            break
        secure.sendall(b"echo " + line + b" " + secure.version().encode() + b"\r\n")
    secure.unwrap().close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
