#!/usr/bin/python3
# Prints an MP3's ID3 tags as mutagen, a reader apart from the one that wrote them, sees them:
# {"version": "2.4", "frames": {"TIT2": [...], "TXXX:desc": [...], ...}, "v1": {...} or null}.
import json
import sys

from mutagen.id3 import ID3


path = sys.argv[1]
tag = ID3(path, translate=False)
frames = {}
for key, frame in tag.items():
    if frame.FrameID == "APIC":
        value = [frame.type, frame.mime, frame.desc, len(frame.data)]
    elif frame.FrameID in ("COMM", "USLT"):
        value = [frame.lang, frame.desc, str(frame.text if frame.FrameID == "USLT" else frame.text[0])]
    elif frame.FrameID in ("TMCL", "TIPL", "IPLS"):
        value = [list(p) for p in frame.people]
    elif frame.FrameID == "UFID":
        value = [frame.owner, frame.data.decode()]
    elif frame.FrameID.startswith("W"):
        value = [frame.url]
    else:
        value = [str(t) for t in frame.text]
    frames.setdefault(key if not key.startswith("APIC") else "APIC", []).extend(
        [value] if frame.FrameID == "APIC" else value)
with open(path, "rb") as f:
    f.seek(-128, 2)
    last = f.read(128)
v1 = None
if last[:3] == b"TAG":
    v1 = {"title": last[3:33].rstrip(b"\0").hex(), "artist": last[33:63].rstrip(b"\0").hex(),
          "track": last[126], "genre": last[127]}
print(json.dumps({"version": "2.%d" % tag.version[1], "frames": frames, "v1": v1}))
