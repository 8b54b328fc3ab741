#!/usr/bin/python3
"""The page's speed in headless Chromium: web_bench.py [PAGE] (default build-web/tarvex.html).
Prints the page's size, the time from loading to ready, and for downloads of 100 000 and
1 000 000 records the time to open, convert and show the first rows of the lists, with the
longest the main thread was held meanwhile; then the same once for 200 MB (20 000 000
records), or what the page says instead. Figures only."""
import http.server
import os
import shutil
import statistics
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PAGE = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                       os.path.join(ROOT, "build-web", "tarvex.html"))
ROUNDS = 3

# What the page is doing, kept from the first moment of each load: each change of the busy
# mark and each open or click (ms from the start of the navigation), the frame after each
# end of a request, the main thread's long tasks and the longest gap between two frames.
WATCH = """
window.bench = {marks: [], longest: 0, gap: 0};
new PerformanceObserver(list => {
  for (const e of list.getEntries()) bench.longest = Math.max(bench.longest, e.duration);
}).observe({type: 'longtask', buffered: true});
let last = performance.now();
requestAnimationFrame(function frame(now) {
  bench.gap = Math.max(bench.gap, now - last); last = now; requestAnimationFrame(frame);
});
const mark = what => bench.marks.push([what, performance.now()]);
addEventListener('change', () => mark('open'), true);
addEventListener('click', () => mark('click'), true);
new MutationObserver(() => {
  const busy = document.body.dataset.busy;
  mark(busy);
  if (busy === 'false') requestAnimationFrame(() => mark('shown'));
}).observe(document, {attributes: true, subtree: true, attributeFilter: ['data-busy']});
"""


def write_download(path, n):
    """A download of `n` records, entries and exits in turn, 30 s apart from 1 Jan 2026, in
    months of 28 days (every date valid)."""
    with open(path, "wb") as f:
        f.write(b"&000123xx07" + b"01/12/2060 12:00:00 ")
        for start in range(0, n, 100_000):
            out = []
            for k in range(start, min(n, start + 100_000)):
                day, second = divmod(k * 30, 86400)
                date = ((2026 + day // 336 - 1980) << 9) | ((1 + day // 28 % 12) << 5) | (
                    1 + day % 28)
                time = ((second // 3600) << 11) | ((second // 60 % 60) << 5) | (second % 60 // 2)
                out.append(f"${date:04X}{time:04X}{'@#'[k % 2]}")
            f.write("".join(out).encode("latin-1"))
        f.write(b"\r\n")


def browser(folder):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new --no-sandbox --disable-gpu --disable-dev-shm-usage "
                 "--no-first-run --disable-background-networking --disable-component-update "
                 "--disable-sync --disable-quic --window-size=1280,900").split():
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + os.path.join(folder, "profile"))
    d = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    d.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH})
    d.set_script_timeout(600)
    return d


def marks(d):
    return d.execute_script("return bench.marks")


def first(marks, what, after):
    return next(t for w, t in marks if w == what and t >= after)


def until(d, condition):
    WebDriverWait(d, 600, 0.02).until(lambda d: d.execute_script(condition))


def run(d, url, path):
    """One load, open and conversion: (ready, open + convert + shown, longest task, gap,
    records counted)."""
    d.get(url)
    until(d, "return document.body.dataset.busy === 'false'")
    ready = first(marks(d), "false", 0)
    d.execute_script("bench.longest = 0; bench.gap = 0")  # the load is not the run
    d.find_element("id", "download-input").send_keys(path)
    until(d, "return bench.marks.some(m => m[0] === 'open') && "
             "document.body.dataset.busy === 'false'")
    if not d.find_element("id", "alert").text:
        d.find_element("id", "convert-button").click()
        until(d, "return bench.marks.some(m => m[0] === 'click') && "
                 "document.body.dataset.busy === 'false' && bench.marks.at(-1)[0] === 'shown' && "
                 "(document.querySelector('#entries-list [role=option]') !== null || "
                 "document.getElementById('alert').textContent !== '')")
    m = marks(d)
    opened = first(m, "open", 0)
    clicked = next((t for w, t in m if w == "click" and t >= opened), None)
    spent = first(m, "false", opened) - opened + (
        first(m, "shown", clicked) - clicked if clicked else 0)
    watched = d.execute_script("return [bench.longest, bench.gap, "
                               "Number(document.getElementById('total-count').textContent)]")
    return ready, spent, *watched, d.find_element("id", "alert").text.replace("\n", " / ")


def main():
    if not os.path.isfile(PAGE):
        sys.exit(f"the page {PAGE} does not exist: build it first with scripts/web")
    print(f"page: {PAGE}, {os.path.getsize(PAGE)} bytes")
    folder = tempfile.mkdtemp()
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), lambda *a: type("Quiet", (http.server.SimpleHTTPRequestHandler,), {
            "log_message": lambda *_: None})(*a, directory=os.path.dirname(PAGE)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_port}/{os.path.basename(PAGE)}"
    d = browser(folder)
    try:
        # The two sizes the page is for, and a 200 MB download once: it works or says why not.
        for n, rounds in ((100_000, ROUNDS), (1_000_000, ROUNDS), (20_000_000, 1)):
            path = os.path.join(folder, f"{n}.vlm")
            write_download(path, n)
            figures = [run(d, url, path) for _ in range(rounds)]
            ready, spent, longest, gap, total = (statistics.median(f) for f in
                                                 list(zip(*figures))[:5])
            said = figures[-1][5]
            print(f"{n:>9} records ({os.path.getsize(path)} bytes, {total} counted), "
                  f"median of {rounds}: ready {ready:.0f} ms; open + Conversion + lists shown "
                  f"{spent:.0f} ms (each: {', '.join(f'{f[1]:.0f}' for f in figures)}); "
                  f"longest main-thread task "
                  f"{f'{longest:.0f} ms' if longest else 'none over 50 ms'}; longest gap "
                  f"between frames {gap:.0f} ms" + (f"; the page said: {said}" if said else ""))
            os.remove(path)
    finally:
        d.quit()
        server.shutdown()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
