#!/usr/bin/env python3
"""Builds import inputs the way other software writes them: ZIP archives
with Python's zipfile (stored, deflated, and streamed to a pipe, which sets
flag bit 3), and e-mails with Python's email package that carry a
downdump as a base64 attachment, zipped or plain.

usage: import_inputs.py KIND OUTPUT INPUT [MEMBER-NAME]
  zip-stored, zip-deflated   a seekable archive of INPUT
  zip-streamed               deflated, written to a stream (sizes after the data)
  zip-streamed-stored        stored, written to a stream
  zip-bzip2                  compressed with a method other than deflate
  zip-two                    two deflated members: INPUT, then INPUT again
  mail-zipped                text part and the zipped INPUT as base64
  mail-plain                 the INPUT itself as a base64 attachment
  mail-plain-unquoted        the same with an unquoted boundary
"""
import io
import sys
import zipfile
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText


class Stream(io.RawIOBase):
    """A file object that cannot seek, like a pipe."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, chunk):
        self.data += chunk
        return len(chunk)


def archive(data, name, method, streamed=False, count=1):
    target = Stream() if streamed else io.BytesIO()
    with zipfile.ZipFile(target, "w", method) as z:
        for n in range(count):
            member = name if n == 0 else "second-" + name
            if streamed:
                with z.open(member, "w") as f:
                    f.write(data)
            else:
                z.writestr(member, data)
    return bytes(target.data if streamed else target.getvalue())


def mail(attachment, name, text="Your mail from the node is attached.\n"):
    message = MIMEMultipart()
    message["From"] = "qor@corvid.example"
    message["To"] = "ann.lee@example.org"
    message["Subject"] = "Mail from CORVID for Ann Lee"
    message.attach(MIMEText(text))
    part = MIMEApplication(attachment, Name=name)
    part["Content-Disposition"] = 'attachment; filename="%s"' % name
    message.attach(part)
    return message.as_bytes()


def main():
    kind, output, source = sys.argv[1:4]
    name = sys.argv[4] if len(sys.argv) > 4 else "C250907A.dmp"
    data = open(source, "rb").read()
    if kind == "zip-stored":
        out = archive(data, name, zipfile.ZIP_STORED)
    elif kind == "zip-deflated":
        out = archive(data, name, zipfile.ZIP_DEFLATED)
    elif kind == "zip-streamed":
        out = archive(data, name, zipfile.ZIP_DEFLATED, streamed=True)
    elif kind == "zip-streamed-stored":
        out = archive(data, name, zipfile.ZIP_STORED, streamed=True)
    elif kind == "zip-bzip2":
        out = archive(data, name, zipfile.ZIP_BZIP2)
    elif kind == "zip-two":
        out = archive(data, name, zipfile.ZIP_DEFLATED, count=2)
    elif kind == "mail-zipped":
        zipped = archive(data, name, zipfile.ZIP_DEFLATED)
        out = mail(zipped, name.rsplit(".", 1)[0] + ".zip")
    elif kind == "mail-plain":
        out = mail(data, name)
    elif kind == "mail-plain-unquoted":
        out = mail(data, name)
        head, sep, rest = out.partition(b"\n\n")
        boundary = head.split(b'boundary="')[1].split(b'"')[0]
        head = head.replace(b'boundary="' + boundary + b'"', b"boundary=" + boundary)
        out = head + sep + rest
    else:
        sys.exit("unknown kind " + kind)
    open(output, "wb").write(out)


if __name__ == "__main__":
    main()
