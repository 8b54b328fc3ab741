#!/usr/bin/python3
"""Writes the one self-contained page, tarvex.html: web/page.html with its style and script
inline, the worker's source (emscripten's loader and worker.js) and the core's WebAssembly
(base64) in script elements that do not run, and a Content-Security-Policy that lets run only
those inline script and style (by their hashes) and the WebAssembly, and forbids every
request. The same inputs give the same bytes, wherever they are built."""

import argparse
import base64
import hashlib
import pathlib
import re
import sys


def fail(message):
    sys.exit("assemble.py: " + message)


def raw_text(text, element, what):
    """`text` as the contents of a raw-text `element`, which it must not end or upset."""
    if re.search(r"</%s|<!--" % element, text, re.IGNORECASE):
        fail(f"{what} holds </{element} or <!--, which would cut its element short")
    return text


def sha256(text):
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode("utf-8")).digest()).decode() + "'"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--page", required=True, help="the folder of page.html, page.css, "
                        "page.js and worker.js")
    parser.add_argument("--core", required=True, help="emscripten's loader (.js); the .wasm "
                        "beside it")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    page = pathlib.Path(args.page)
    core = pathlib.Path(args.core)
    read = lambda path: path.read_text(encoding="utf-8")

    html = read(page / "page.html")
    style = raw_text(read(page / "page.css"), "style", "page.css")
    script = raw_text(read(page / "page.js"), "script", "page.js")
    worker = raw_text(read(core) + "\n" + read(page / "worker.js"), "script",
                      "the worker's source")
    wasm = base64.b64encode(core.with_suffix(".wasm").read_bytes()).decode("ascii")

    policy = "; ".join([
        "default-src 'none'",
        f"script-src {sha256(script)} 'wasm-unsafe-eval'",
        f"style-src {sha256(style)}",
        "worker-src blob:",
        "img-src data: blob:",
        "base-uri 'none'",
        "form-action 'none'",
    ])
    parts = {
        "CSP": f'<meta http-equiv="Content-Security-Policy" content="{policy}">',
        "STYLE": f"<style>{style}</style>",
        "WORKER": f'<script type="text/plain" id="worker-source">{worker}</script>',
        "WASM": f'<script type="application/octet-stream" id="core-wasm">{wasm}</script>',
        "SCRIPT": f"<script>{script}</script>",
    }
    for name, text in parts.items():
        placeholder = f"<!--{name}-->"
        if html.count(placeholder) != 1:
            fail(f"page.html must hold {placeholder} once")
        html = html.replace(placeholder, text)
    out = pathlib.Path(args.out)
    temporary = out.with_name(out.name + ".part")
    temporary.write_bytes(html.encode("utf-8"))
    temporary.replace(out)


if __name__ == "__main__":
    main()
