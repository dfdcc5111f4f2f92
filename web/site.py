"""Puts the page's files into the site folder, beside the program that the link
has put there (fraction-calc.js and fraction-calc.wasm):

- index.html, with the SHA-256 of its inline style in the Content-Security-Policy
  (the policy allows that style and no other) and, when SOURCE_URL is given, a
  link to the source;
- the page's script, the web app manifest and the icons, as they are;
- sw.js, the service worker, with every other file in the site folder and its
  SHA-256, and the version that names its cache, made from them.

    python3 web/site.py SITE_FOLDER [SOURCE_URL]
"""
import base64
import hashlib
import html
import json
import os
import re
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
AS_THEY_ARE = ["page.js", "program.js", "transcript.js", "encoding.js", "typing.js", "offline.js", "manifest.webmanifest", "icon.svg", "icon-192.png", "icon-512.png"]


def page(source_url: str) -> str:
    with open(os.path.join(HERE, "index.html"), encoding="utf-8") as file:
        text = file.read()
    styles = re.findall(r"<style>(.*?)</style>", text, re.DOTALL)
    assert len(styles) == 1, "index.html has one inline style"
    digest = base64.b64encode(hashlib.sha256(styles[0].encode()).digest()).decode()
    link = f' <a href="{html.escape(source_url)}">Исходный код</a>' if source_url else ""
    return text.replace("@STYLE_HASH@", "sha256-" + digest).replace("@SOURCE_LINK@", link)


def main(site: str, source_url: str) -> None:
    with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as file:
        file.write(page(source_url))
    for name in AS_THEY_ARE:
        shutil.copyfile(os.path.join(HERE, name), os.path.join(site, name))
    files = {}
    for name in sorted(set(os.listdir(site)) - {"sw.js"}):
        with open(os.path.join(site, name), "rb") as file:
            files[name] = hashlib.sha256(file.read()).hexdigest()
    listed = json.dumps(files, indent=2)
    with open(os.path.join(HERE, "sw.js"), encoding="utf-8") as file:
        worker = file.read()
    version = hashlib.sha256(listed.encode()).hexdigest()[:16]
    with open(os.path.join(site, "sw.js"), "w", encoding="utf-8") as file:
        file.write(worker.replace("@FILES@", listed).replace("@VERSION@", version))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "")
