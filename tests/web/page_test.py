#!/usr/bin/python3
"""The page in headless Chromium, driven through chromedriver:
    page_test.py PAGE DATA_DIR GROUP
GROUP is one of the groups below. The page is served from 127.0.0.1 (the origin-private file
system stands in for the files a picker would give) or opened from file://. Expected outputs
come from the reference files and the golden generator's own decoder. Exits 77, saying
"skipped", only when the browser cannot start."""
import base64
import glob
import http.server
import json
import os
import runpy
import shutil
import sys
import tempfile
import threading
import types

PAGE, DATA, GROUP = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
golden = types.SimpleNamespace(**runpy.run_path(os.path.join(DATA, "make_golden.py")))
FLAGS = ("--headless=new --no-sandbox --disable-gpu --disable-dev-shm-usage --no-first-run "
         "--disable-background-networking --disable-component-update --disable-sync "
         "--disable-quic").split()
WAIT = 120  # seconds: generous, the machine may be loaded
SCRATCH = tempfile.mkdtemp()  # the browser's profile and downloads, removed at the end
failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}:\n  got      {got!r}\n  expected {expected!r}")


# The server: every path asked for is kept, to show that nothing but the page is.
asked = []


class Server(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=os.path.dirname(PAGE), **kwargs)

    def log_message(self, *args):
        asked.append(self.path)


def browser(lang):
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in FLAGS + [f"--lang={lang}", "--user-data-dir=" + SCRATCH]:
            options.add_argument(flag)
        options.add_experimental_option("prefs", {"intl.accept_languages": lang})
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    except Exception as e:  # noqa: BLE001 - any reason the browser does not start
        print(f"skipped: chromium cannot start ({str(e).strip().splitlines()[0]})")
        shutil.rmtree(SCRATCH, ignore_errors=True)
        sys.exit(77)
    driver.set_script_timeout(WAIT)
    return driver


def until(d, predicate):
    from selenium.webdriver.support.ui import WebDriverWait
    WebDriverWait(d, WAIT, 0.05, ignored_exceptions=[FileNotFoundError]).until(
        lambda _: predicate())


def wait(d, condition, *args):
    until(d, lambda: d.execute_script(condition, *args))


def load(d, url):
    d.get("about:blank")
    d.get_log("performance")  # what the browser's own first page asked for
    d.get(url)
    wait(d, "return document.body && document.body.dataset.busy === 'false'")
    # Each time a request ends; and what the lists copy.
    d.execute_script("""window.ends = 0; window.copied = null;
        new MutationObserver(() => { if (document.body.dataset.busy === 'false') ++window.ends; })
            .observe(document.body, {attributes: true, attributeFilter: ['data-busy']});
        addEventListener('copy', e => window.copied = e.clipboardData.getData('text/plain'));""")


def act(d, do):
    """Does `do` and waits until the page is done with it: a request ended, or an alert."""
    ends, alert = d.execute_script(
        "return [window.ends, document.getElementById('alert').textContent]")
    do()
    wait(d, """const alert = document.querySelector('#alert').textContent;
        return document.body.dataset.busy === 'false' &&
               (window.ends > arguments[0] || (alert !== '' && alert !== arguments[1]));""",
         ends, alert)


def el(d, id):
    return d.find_element("id", id)


def text(d, id):
    return d.execute_script("return document.getElementById(arguments[0]).textContent", id)


def lines(d, id):
    return [line for line in d.execute_script(
        "return document.getElementById(arguments[0]).innerText", id).split("\n") if line]


def open_file(d, path):
    act(d, lambda: el(d, "download-input").send_keys(path))


def convert(d, classic):
    if el(d, "classic-forms").is_selected() != classic:
        el(d, "classic-forms").click()
    act(d, el(d, "convert-button").click)


def opfs(d, name, data=None, use="picked", remove=False):
    """Makes file `name` of the origin-private file system (holding `data` when given) and
    hands its handle to the page: as the file the browser's open picker gives (Guardar's
    report file), opened as a download, or dropped as a file without its handle."""
    return d.execute_async_script("""const [name, data, use, remove, done] = arguments;
        (async () => {
          const root = await navigator.storage.getDirectory();
          const file = await root.getFileHandle(name, {create: true});
          if (data !== null) {
            const out = await file.createWritable();
            await out.write(Uint8Array.from(atob(data), c => c.charCodeAt(0)));
            await out.close();
          }
          if (remove) await root.removeEntry(name);
          if (use === 'picked') window.showOpenFilePicker = async () => [file];
          else if (use === 'dropped') {
            const files = new DataTransfer();
            files.items.add(await file.getFile());
            document.querySelector('h1').dispatchEvent(
                new DragEvent('drop', {dataTransfer: files, bubbles: true}));
          } else if (use) await tarvexTest.openHandle(file);
        })().then(() => done('ok'), e => done(String(e)));""",
        name, None if data is None else base64.b64encode(data).decode(), use, remove)


def opfs_bytes(d, name):
    return base64.b64decode(d.execute_async_script("""const [name, done] = arguments;
        navigator.storage.getDirectory().then(root => root.getFileHandle(name))
          .then(file => file.getFile()).then(file => file.arrayBuffer()).then(bytes => {
            let text = '';
            for (const b of new Uint8Array(bytes)) text += String.fromCharCode(b);
            done(btoa(text));
          });""", name))


def data(name):
    return os.path.join(DATA, name)


def read(path):
    with open(data(path), "rb") as f:  # a name in the data folder, or a whole path
        return f.read()


GROUPS = {}  # name: (body, the browser's language, served or from file://)


def group(lang, served=True):
    def add(body):
        GROUPS[body.__name__] = (body, lang, served)
        return body
    return add


@group("es-ES")
def references(d, lang):
    """Every reference download with "formas clásicas" gives its reference report, each one
    added after the bytes of the ones before in one file, which held a line already."""
    saved = b"anterior\r\n"
    opfs(d, "informes.txt", saved)
    for report in sorted(glob.glob(data("*.report.C.txt"))):
        download = report.replace(".report.C.txt", ".vlm")
        open_file(d, download)
        convert(d, classic=True)
        act(d, el(d, "save-button").click)
        saved += read(report)
        got = opfs_bytes(d, "informes.txt")
        if got != saved:
            same = len(os.path.commonprefix([got, saved]))
            failures.append(f"{os.path.basename(download)}: {len(got)} bytes saved, {len(saved)} "
                            f"expected, the first difference at {same}")
            saved = got


# Each output Exportar gives, by the extension of its reference file.
OUTPUTS = {"passages": "passages.csv", "intervals15": "intervals15.csv",
           "intervals60": "intervals60.csv", "days": "days.csv", "hourly": "hourly.csv",
           "summary": "summary.txt"}


@group("es-ES")
def exports(d, lang):
    """Every output of every reference download, exported from Resumen, is its reference file
    byte for byte."""
    from selenium.webdriver.support.select import Select
    for download in sorted(glob.glob(data("*.vlm"))):
        stem = download[:-len(".vlm")]
        if not os.path.exists(stem + ".passages.csv"):
            continue
        open_file(d, download)
        convert(d, classic=True)
        act(d, el(d, "summary-button").click)
        for output, ext in OUTPUTS.items():
            if not os.path.exists(f"{stem}.{ext}"):
                continue  # a period too long for its tables of days
            folder = tempfile.mkdtemp(dir=SCRATCH)
            d.execute_cdp_cmd("Browser.setDownloadBehavior",
                              {"behavior": "allow", "downloadPath": folder})
            Select(el(d, "export-choice")).select_by_value(output)
            act(d, el(d, "export-button").click)
            # Done when the browser's working copy has become the file, which is never empty
            # (the browser holds the name with an empty file meanwhile, and renames its working
            # copy while the folder is read: a name gone is asked again).
            until(d, lambda: [os.path.getsize(os.path.join(folder, f)) > 0 and
                              not f.endswith(".crdownload") for f in os.listdir(folder)] == [True])
            check(f"{os.path.basename(stem)} {output}",
                  read(os.path.join(folder, os.listdir(folder)[0])), read(f"{stem}.{ext}"))


def error_box(number, description, file=None):
    return [f"Número de error: {number}", f"Descripción del error: {description}"] + (
        [f"Archivo: {file}"] if file else [])


@group("es-ES")
def failures_shown(d, lang):
    """One failure of each kind the page can meet, as the desktop's error box says it."""
    open_file(d, data("empty.vlm"))
    check("empty download", lines(d, "alert"), error_box(
        62, "La entrada sobrepasa el final del archivo: el archivo está vacío", "empty.vlm"))
    # The records are counted; the exit list stops at its first record.
    open_file(d, data("bad_first_record.vlm"))
    convert(d, classic=True)
    check("first record", lines(d, "alert"),
          error_box(5, "Llamada a procedimiento o argumento no válido"))
    check("counts left", [text(d, i) for i in ("entry-count", "exit-count", "total-count")],
          ["0", "0", "2"])
    # The report into the open download is refused, and the download is left as it was.
    download = read("small_download.vlm")
    act(d, lambda: opfs(d, "d.vlm", download, use="openHandle"))
    convert(d, classic=True)
    opfs(d, "d.vlm")
    act(d, el(d, "save-button").click)
    check("report into the download", lines(d, "alert"), error_box(
        55, "El informe no puede guardarse en el archivo de descarga abierto", "d.vlm"))
    check("download after the refusal", opfs_bytes(d, "d.vlm"), download)
    # Dropped without its handle, the download is told by its name, size and time.
    act(d, lambda: opfs(d, "d.vlm", use="dropped"))
    opfs(d, "d.vlm")
    act(d, el(d, "save-button").click)
    check("report into the dropped download", lines(d, "alert")[0], "Número de error: 55")
    check("dropped download after the refusal", opfs_bytes(d, "d.vlm"), download)
    # A changed choice of forms asks for a Conversion before the report or Resumen.
    convert(d, classic=True)
    el(d, "classic-forms").click()
    check("stale Conversion", [el(d, i).is_enabled() for i in
                               ("save-button", "new-report-button", "summary-button")],
          [False, False, False])
    # A file taken away between being chosen and being read.
    act(d, lambda: opfs(d, "gone.vlm", use="openHandle", remove=True))
    check("file taken away", lines(d, "alert"),
          error_box(53, "No se encontró el archivo", "gone.vlm"))
    check("left after it", [el(d, "convert-button").is_enabled(), text(d, "counter")], [False, ""])


@group("es-ES")
def accessibility(d, lang):
    """Chromium's accessibility tree names the lists, counts and buttons; each list tells how
    many rows it has, though only those in view are made."""
    open_file(d, data("car_park.vlm"))
    convert(d, classic=True)
    nodes = d.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
    named = {(n.get("role", {}).get("value"), n.get("name", {}).get("value"))
             for n in nodes if not n.get("ignored")}
    for role, name in [("listbox", "Entradas"), ("listbox", "Salidas"), ("status", "ENTRADAS:"),
                       ("status", "SALIDAS:"), ("status", "TOTAL:"), ("button", "Abrir"),
                       ("button", "Conversion"), ("button", "Guardar"), ("button", "Resumen"),
                       ("checkbox", "formas clásicas")]:
        check(f"{role} named {name}", (role, name) in named, True)
    check("rows told", d.execute_script("""return ['entries-list', 'exits-list'].map(id =>
        [...new Set([...document.querySelectorAll(`#${id} [role=option]`)]
                    .map(row => row.getAttribute('aria-setsize')))].join());"""),
          [text(d, "entry-count"), text(d, "exit-count")])
    # The keys move the active row over every row, each made as it comes into view.
    from selenium.webdriver.common.keys import Keys
    rows = int(text(d, "entry-count"))
    # Focus from the keyboard keeps the view: its first row becomes the active one.
    check("active row on focus", d.execute_script("""
        const list = document.getElementById('exits-list');
        list.scrollTop = list.scrollHeight / 2;
        const top = list.scrollTop;
        list.focus();
        const row = document.getElementById(list.getAttribute('aria-activedescendant'));
        return [list.scrollTop === top, row.offsetTop >= top,
                row.offsetTop < top + list.clientHeight];"""), [True, True, True])
    # The download's text cut anew to a narrower box keeps its first byte in view.
    place = """const box = document.getElementById('download-text');
        const row = [...box.querySelectorAll('[role=option]')].find(r =>
            r.offsetTop <= box.scrollTop && box.scrollTop < r.offsetTop + r.offsetHeight);
        return row && [Number(row.getAttribute('aria-posinset')) - 1, row.textContent.length];"""
    d.execute_script("const box = document.getElementById('download-text'); box.scrollTop = 200;")
    wait(d, place)
    row, width = d.execute_script(place)
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": 400, "height": 800, "deviceScaleFactor": 1, "mobile": False})
    wait(d, "return document.querySelector('#download-text [role=option]').textContent.length < "
         "arguments[0]", width)
    wait(d, place)
    row2, width2 = d.execute_script(place)
    check("first byte of the text kept in view",
          row2 * width2 <= row * width < (row2 + 1) * width2, True)
    for key, row in [("END", rows), ("ARROW_UP", rows - 1), ("HOME", 1)]:
        el(d, "entries-list").send_keys(getattr(Keys, key))
        active = d.execute_script("""const id = document.getElementById('entries-list')
            .getAttribute('aria-activedescendant');
            return Number(document.getElementById(id).getAttribute('aria-posinset'));""")
        check(f"active row after {key}", active, row)


@group("es-ES")
def whole_run(d, lang):
    """The page's policy refuses every request it could make itself; at 320 CSS pixels wide,
    with a dropped download's lists and Resumen shown, the page does not scroll sideways."""
    port = d.current_url.split(":")[2].split("/")[0]
    check("fetch from the page", d.execute_async_script(
        """fetch(`http://127.0.0.1:${arguments[0]}/x`)
             .then(() => arguments[1]('fetched'), e => arguments[1]('refused'))""", port),
          "refused")
    d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                      {"width": 320, "height": 640, "deviceScaleFactor": 1, "mobile": False})
    # A file dropped on the page opens.
    act(d, lambda: d.execute_script("""const [name, data] = arguments, files = new DataTransfer();
        files.items.add(new File([Uint8Array.from(atob(data), c => c.charCodeAt(0))], name));
        document.querySelector('h1').dispatchEvent(
            new DragEvent('drop', {dataTransfer: files, bubbles: true}));""",
        "traffic_week.vlm", base64.b64encode(read("traffic_week.vlm")).decode()))
    check("counter of the dropped download", text(d, "counter"), golden.header(
        golden.first_field(read("traffic_week.vlm")).decode("latin-1"))[0])
    convert(d, classic=False)
    act(d, el(d, "summary-button").click)
    check("page width at 320 px", d.execute_script(
        "return document.documentElement.scrollWidth <= innerWidth"), True)
    act(d, d.find_element("css selector", ".average-button").click)
    check("days current with an average day", d.execute_script(
        "return document.querySelectorAll('#days-table [aria-current]').length"), 0)


@group("en-US", served=False)
def from_file(d, lang):
    """Opened from file://, the page opens and converts; Ctrl+A and Ctrl+C copy the whole
    entry list with CRLF line ends."""
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
    open_file(d, data("small_download.vlm"))
    convert(d, classic=True)
    el(d, "entries-list").click()
    ActionChains(d).key_down(Keys.CONTROL).send_keys("ac").key_up(Keys.CONTROL).perform()
    wait(d, "return window.copied !== null")
    report = read("small_download.report.C.txt")  # its entries: after "ENTRADAS", to a blank line
    check("entries copied", d.execute_script("return window.copied").encode("latin-1"),
          report[len(b"ENTRADAS\r\n"):report.index(b"\r\nSALIDAS\r\n")])
    # A copy the clipboard refuses is said, not dropped.
    act(d, lambda: d.execute_script("""const copied = new DataTransfer();
        copied.setData = () => { throw new Error('refused'); };
        document.dispatchEvent(
            new ClipboardEvent('copy', {clipboardData: copied, bubbles: true}));"""))
    check("copy refused", lines(d, "alert")[:1], ["Número de error: 7"])


def first_entry(name):
    """The moment of the first entry of a download, by the golden generator's decoder."""
    t = golden.first_field(read(name)).decode("latin-1")
    events = "".join(t[i + 1:i + 10] + "\r\n" for i in golden.at_each(t, "$"))
    i = golden.at_each(events, "@")[0]
    return golden.decode(events[i - 8:i])


def first_row(d):
    """The first entry row, once drawn (the frame after the lists come)."""
    row = "document.querySelector('#entries-list [aria-posinset=\"1\"]')"
    wait(d, f"return {row} !== null")
    return d.execute_script(f"return {row}.textContent")


# The classic forms, and each language's, of a moment (the first row of a list).
CLASSIC = lambda y, mo, d, h, mi, s: f"{mo:02d}/{d:02d}/{y % 100:02d}    {h:02d}:{mi:02d}:{s:02d}"
REGIONAL = {
    "es-ES": lambda y, mo, d, h, mi, s: f"{d:02d}/{mo:02d}/{y}    {h}:{mi:02d}:{s:02d}",
    "en-US": lambda y, mo, d, h, mi, s:
        f"{mo:02d}/{d:02d}/{y}    {(h + 11) % 12 + 1}:{mi:02d}:{s:02d} {'AP'[h >= 12]}M",
    "ar-EG": CLASSIC,  # its digits are outside the code page
}
NOTICES = {"ar-EG": ["Las fechas de la configuración regional «ar-EG» usan caracteres que los "
                     "informes no pueden guardar: se muestran como mes/día/año (03/05/11 es el "
                     "5 de marzo de 2011).",
                     "Las horas de la configuración regional «ar-EG» usan caracteres que los "
                     "informes no pueden guardar: se muestran como horas:minutos:segundos, de "
                     "00 a 23."]}


def regional(d, lang):
    """The browser's language gives the forms of the lists, or the classic ones and a notice
    where its forms have characters a report cannot hold."""
    moment = first_entry("worked_example.vlm")
    open_file(d, data("worked_example.vlm"))
    convert(d, classic=False)
    check(f"first entry in {lang}", first_row(d), REGIONAL[lang](*moment))
    check(f"notice in {lang}", lines(d, "notice"), NOTICES.get(lang, []))
    convert(d, classic=True)
    check(f"classic first entry in {lang}", first_row(d), CLASSIC(*moment))
    check(f"notice after classic in {lang}", lines(d, "notice"), [])


for lang in REGIONAL:
    GROUPS[f"regional_{lang}"] = (regional, lang, True)


def main():
    if not os.path.isfile(PAGE):
        print(f"the page {PAGE} does not exist: build it first with scripts/web")
        return 1
    body, lang, served = GROUPS[GROUP]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Server)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    d = browser(lang)
    try:
        page = (f"http://127.0.0.1:{server.server_port}/{os.path.basename(PAGE)}" if served else
                "file://" + os.path.abspath(PAGE))
        load(d, page)
        body(d, lang)
        # Nothing but the page itself was asked of the server, nor left the page.
        check("asked of the server", set(asked),
              {f"/{os.path.basename(PAGE)}"} if served else set())
        events = [json.loads(e["message"])["message"] for e in d.get_log("performance")]
        sent = {e["params"]["request"]["url"] for e in events
                if e["method"] == "Network.requestWillBeSent"}
        check("requests made", {url for url in sent if url.split(":")[0] not in ("blob", "data")},
              {page})
    finally:
        d.quit()
        server.shutdown()
        shutil.rmtree(SCRATCH, ignore_errors=True)
    for failure in failures:
        print("FAILED", failure)
    print(f"{GROUP}: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
