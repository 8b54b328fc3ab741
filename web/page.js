"use strict";
// The page's main thread: the controls, the lists and the Resumen, over a worker that holds
// the core. Every request goes to the worker and comes back with one final answer; the
// main thread only shows what it answers, so the page stays responsive on a large download.
(() => {
  const $ = (id) => document.getElementById(id);
  const decoder = new TextDecoder("windows-1252");

  // ---------------------------------------------------------------------------------------
  // The virtual list: a listbox that keeps only the rows in view (and a few more) in the
  // document, each decoded from the bytes when it is shown. Rows have one fixed height, in CSS
  // pixels, measured from the font, so large fonts and zoom keep every row whole.
  const kMaxSpacer = 8000000;  // the tallest spacer; beyond it the scroll maps proportionally
  const kExtraRows = 4;

  class VirtualList {
    constructor(box) {
      this.box = box;
      this.rows = 0;
      this.rowText = () => "";
      this.copyRange = () => "";
      this.active = -1;
      this.anchor = -1;
      this.focus = -1;  // the selection runs from anchor to focus, both included
      this.rowHeight = 0;
      this.rendered = new Map();
      box.setAttribute("role", "listbox");
      box.setAttribute("aria-multiselectable", "true");
      box.tabIndex = 0;
      this.spacer = document.createElement("div");
      this.spacer.className = "spacer";
      this.spacer.setAttribute("role", "presentation");
      box.append(this.spacer);
      box.addEventListener("scroll", () => this.schedule());
      box.addEventListener("keydown", (event) => this.onKey(event));
      box.addEventListener("mousedown", (event) => this.onPointer(event));
      // Focus from the keyboard or a press on the scroll bar keeps the view: the first row in
      // it becomes the active one.
      box.addEventListener("focus", () => {
        if (this.active >= 0 || this.rows === 0) return;
        const g = this.geometry();
        this.moveTo(Math.min(this.rows - 1, Math.ceil(g.offset / this.rowHeight)), false);
      });
      new ResizeObserver(() => {
        this.rowHeight = 0;
        this.schedule();
      }).observe(box);
    }

    // Rows from a list's bytes: line i runs from starts[i] up to starts[i + 1], its CRLF left
    // out of the row and kept in what is copied.
    setLines(bytes, starts) {
      const view = new Uint8Array(bytes);
      const at = new Uint32Array(starts);
      const rows = Math.max(at.length - 1, 0);
      this.rowText = (i) => {
        let end = at[i + 1];
        while (end > at[i] && (view[end - 1] === 10 || view[end - 1] === 13)) --end;
        return decoder.decode(view.subarray(at[i], end));
      };
      this.copyRange = (first, last) => decoder.decode(view.subarray(at[first], at[last + 1]));
      this.reset(rows);
    }

    // Rows of a text cut every `width` characters (one byte each in the code page); copied as
    // the text it is, without breaks.
    // The same text cut anew keeps its first byte in view, and the bytes selected.
    setText(bytes, width) {
      const view = new Uint8Array(bytes);
      const again = this.textSource === bytes && this.textWidth > 0 && this.rows > 0;
      let kept = null;
      if (again) {
        const old = this.textWidth, g = this.geometry(), last = view.length - 1;
        const at = (row, end) => Math.min(last, end ? (row + 1) * old - 1 : row * old);
        const forward = this.anchor <= this.focus;
        kept = {
          top: Math.floor(g.offset / this.rowHeight) * old,
          active: this.active < 0 ? -1 : at(this.active, false),
          anchor: this.anchor < 0 ? -1 : at(this.anchor, !forward),
          focus: this.focus < 0 ? -1 : at(this.focus, forward),
        };
      }
      this.textSource = bytes;
      this.textBytes = view;
      this.textWidth = width;
      this.rowText = (i) => decoder.decode(view.subarray(i * width, (i + 1) * width));
      this.copyRange = (first, last) => decoder.decode(view.subarray(first * width, (last + 1) * width));
      this.reset(Math.ceil(view.length / width));
      if (!kept) return;
      const row = (byte) => (byte < 0 ? -1 : Math.floor(byte / width));
      this.active = row(kept.active);
      this.anchor = row(kept.anchor);
      this.focus = row(kept.focus);
      const g = this.geometry();
      this.box.scrollTop = (row(kept.top) * this.rowHeight) / g.scale;
      this.render();
    }

    clear() {
      this.rowText = () => "";
      this.copyRange = () => "";
      this.textBytes = null;
      this.textSource = null;
      this.reset(0);
    }

    reset(rows) {
      this.rows = rows;
      this.active = this.anchor = this.focus = -1;
      this.box.removeAttribute("aria-activedescendant");
      for (const row of this.rendered.values()) row.remove();
      this.rendered.clear();
      this.box.scrollTop = 0;
      this.render();  // the first rows are there as soon as the list is
    }

    measure() {
      const probe = document.createElement("div");
      probe.className = "vrow";
      probe.textContent = "0";
      this.box.append(probe);
      this.rowHeight = Math.max(1, probe.getBoundingClientRect().height);
      probe.remove();
    }

    schedule() {
      if (this.pending) return;
      this.pending = true;
      requestAnimationFrame(() => {
        this.pending = false;
        this.render();
      });
    }

    // The geometry of the scroll: the spacer's height and the row at the top of the view.
    geometry() {
      if (!this.rowHeight) this.measure();
      const full = this.rows * this.rowHeight;
      const view = this.box.clientHeight;
      const spacer = Math.min(full, kMaxSpacer);
      const scale = spacer > view && full > view ? (full - view) / (spacer - view) : 1;
      return {full, view, spacer, scale, offset: this.box.scrollTop * scale};
    }

    render() {
      const g = this.geometry();
      this.spacer.style.height = g.spacer + "px";
      const h = this.rowHeight;
      const first = Math.max(0, Math.floor(g.offset / h) - kExtraRows);
      const last = Math.min(this.rows - 1, Math.ceil((g.offset + g.view) / h) + kExtraRows);
      const wanted = new Set();
      for (let i = first; i <= last; ++i) wanted.add(i);
      if (this.active >= 0) wanted.add(this.active);  // the active row is always in the tree
      for (const [i, row] of this.rendered) {
        if (!wanted.has(i)) {
          row.remove();
          this.rendered.delete(i);
        }
      }
      const low = Math.min(this.anchor, this.focus), high = Math.max(this.anchor, this.focus);
      // In the document in their order, as a screen reader reads them.
      let previous = this.spacer;
      for (const i of [...wanted].sort((a, b) => a - b)) {
        let row = this.rendered.get(i);
        if (!row) {
          row = document.createElement("div");
          row.className = "vrow";
          row.id = this.box.id + "-row-" + i;
          row.setAttribute("role", "option");
          row.textContent = this.rowText(i);
          this.rendered.set(i, row);
        }
        if (previous.nextSibling !== row) previous.after(row);
        previous = row;
        row.setAttribute("aria-setsize", String(this.rows));
        row.setAttribute("aria-posinset", String(i + 1));
        row.setAttribute("aria-selected", String(low >= 0 && i >= low && i <= high));
        row.classList.toggle("active", i === this.active);
        row.style.top = g.scale === 1 ? i * h + "px" : this.box.scrollTop + (i * h - g.offset) + "px";
      }
      if (this.active >= 0) {
        this.box.setAttribute("aria-activedescendant", this.box.id + "-row-" + this.active);
      }
    }

    // Makes row i active (and selected, or the selection extended to it), in view.
    moveTo(i, extend) {
      if (this.rows === 0) return;
      i = Math.max(0, Math.min(this.rows - 1, i));
      this.active = i;
      if (!extend || this.anchor < 0) this.anchor = i;
      this.focus = i;
      const g = this.geometry();
      const top = i * this.rowHeight;
      if (top < g.offset) this.box.scrollTop = top / g.scale;
      else if (top + this.rowHeight > g.offset + g.view)
        this.box.scrollTop = (top + this.rowHeight - g.view) / g.scale;
      this.render();
    }

    selectAll() {
      if (this.rows === 0) return;
      this.anchor = 0;
      this.focus = this.rows - 1;
      if (this.active < 0) this.active = 0;
      this.render();
    }

    // What Ctrl+C copies: the selected rows, decoded once, at the copy.
    selectedText() {
      if (this.anchor < 0 || this.rows === 0) return "";
      return this.copyRange(Math.min(this.anchor, this.focus), Math.max(this.anchor, this.focus));
    }

    onKey(event) {
      const page = Math.max(1, Math.floor(this.box.clientHeight / (this.rowHeight || 1)) - 1);
      const ctrl = event.ctrlKey || event.metaKey;
      const moves = {
        ArrowDown: this.active + 1,
        ArrowUp: this.active - 1,
        PageDown: this.active + page,
        PageUp: this.active - page,
        Home: 0,
        End: this.rows - 1,
      };
      if (event.key in moves && !event.altKey) {
        event.preventDefault();
        this.moveTo(this.active < 0 ? 0 : moves[event.key], event.shiftKey);
      } else if (ctrl && !event.altKey && (event.key === "a" || event.key === "A")) {
        event.preventDefault();
        this.selectAll();
      }
    }

    onPointer(event) {
      const row = event.target.closest(".vrow");
      if (!row || event.button !== 0) return;
      const i = Number(row.getAttribute("aria-posinset")) - 1;
      this.moveTo(i, event.shiftKey);
    }
  }

  const downloadText = new VirtualList($("download-text"));
  const entriesList = new VirtualList($("entries-list"));
  const exitsList = new VirtualList($("exits-list"));
  const lists = [downloadText, entriesList, exitsList];

  // Ctrl+C in a list copies its selection, every row of it, with the list's own line ends.
  document.addEventListener("copy", (event) => {
    const list = lists.find((l) => l.box === document.activeElement);
    if (!list || list.anchor < 0 || list.rows === 0) return;
    const selection = document.getSelection();
    if (selection && !selection.isCollapsed && list.box.contains(selection.anchorNode)) return;
    event.preventDefault();
    try {
      event.clipboardData.setData("text/plain", list.selectedText());
    } catch (error) {
      // Too large to decode, or refused by the clipboard: said, never a silent nothing.
      failureOf(7).then((failure) => showAlert(failure));
    }
  });

  // The download's text in rows as wide as its box holds.
  let downloadBytes = null;
  function showDownloadText() {
    if (!downloadBytes) return downloadText.clear();
    if (!downloadText.rowHeight) downloadText.measure();
    const probe = document.createElement("span");
    probe.className = "vrow measure";
    probe.textContent = "0".repeat(16);
    downloadText.box.append(probe);
    const char = probe.getBoundingClientRect().width / 16 || 8;
    probe.remove();
    const room = downloadText.box.clientWidth - 16;
    const width = Math.max(16, Math.floor(room / char));
    if (downloadText.textSource === downloadBytes && downloadText.textWidth === width) return;
    downloadText.setText(downloadBytes, width);
  }
  new ResizeObserver(() => showDownloadText()).observe(downloadText.box);

  // ---------------------------------------------------------------------------------------
  // The worker and its protocol.
  let worker = null;
  let nextId = 1;
  const waiting = new Map();
  let outstanding = 0;
  const idleWaiters = [];
  // Resolves once no request is out.
  const idle = () => (outstanding === 0 ? Promise.resolve() : new Promise((r) => idleWaiters.push(r)));
  const requestButtons = ["open-button", "convert-button", "save-button", "new-report-button", "summary-button",
    "export-button"];

  function setBusy(busy) {
    document.body.dataset.busy = String(busy);
    for (const id of requestButtons) $(id).setAttribute("aria-disabled", String(busy));
    if (!busy) for (const resolve of idleWaiters.splice(0)) resolve();
    const progress = $("progress");
    progress.hidden = !busy;
    if (busy) progress.removeAttribute("value");
  }

  // What the status says once the work is done (else nothing).
  let finalStatus = "";

  // Runs `body` as one piece of work: the page is busy from its start to its end, however many
  // requests it makes.
  async function working(body) {
    if (outstanding++ === 0) setBusy(true);
    try {
      return await body();
    } finally {
      if (--outstanding === 0) {
        setBusy(false);
        $("status").textContent = finalStatus;
        finalStatus = "";
      }
    }
  }

  // A request's answer; one that says the worker holds no download any more (closed, after
  // a failure that made its core anew) takes the download off the page too.
  function request(message, transfer = []) {
    const id = nextId++;
    return working(async () => {
      const reply = await new Promise((resolve) => {
        waiting.set(id, resolve);
        try {
          worker.postMessage({id, ...message}, transfer);
        } catch (error) {
          answer({id, ok: false, failure: {number: 7, description: String(error.message || error)}});
        }
      });
      if (reply.closed && message.op !== "open") forgetDownload("");
      return reply;
    });
  }

  function answer(message) {
    const resolve = waiting.get(message.id);
    if (!resolve) return;
    if (message.progress) {
      const {step, steps, label} = message.progress;
      const progress = $("progress");
      if (steps > 0) {
        progress.max = steps;
        progress.value = step;
      }
      if (label) $("status").textContent = label;
      return;
    }
    waiting.delete(message.id);
    resolve(message);
  }

  // The worker failing as a whole fails every request out.
  function lost(description) {
    for (const id of [...waiting.keys()]) answer({id, ok: false, failure: {number: 7, description}});
  }

  function base64Bytes(text) {
    const clean = text.replace(/\s+/g, "");
    if (Uint8Array.fromBase64) return Uint8Array.fromBase64(clean);
    const binary = atob(clean);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // The description the core gives failure `number` (the worker holds the texts).
  async function failureOf(number) {
    const reply = await request({op: "describe", number});
    if (reply.ok && reply.description) return {number, description: reply.description};
    if (!reply.ok && reply.failure && reply.failure.number === number) return reply.failure;
    return {number, description: ""};
  }

  // ---------------------------------------------------------------------------------------
  // What the page shows.
  function showAlert(failure, file) {
    const lines = ["Número de error: " + failure.number, "Descripción del error: " + failure.description];
    if (file !== undefined && file !== null) lines.push("Archivo: " + file);
    $("alert").textContent = lines.join("\n");
    $("alert").scrollIntoView({block: "nearest"});
  }

  function clearMessages() {
    $("alert").textContent = "";
  }

  function showHeader(header) {
    $("counter").textContent = header ? header.counter : "";
    $("serial").textContent = header ? header.serial : "";
    $("download-date").textContent = header ? header.date : "";
  }

  function showCounts(counts) {
    $("entry-count").textContent = String(counts ? counts.entries : 0);
    $("exit-count").textContent = String(counts ? counts.exits : 0);
    $("total-count").textContent = String(counts ? counts.total : 0);
  }

  function showLists(reply) {
    if (reply.entries) entriesList.setLines(reply.entries.bytes, reply.entries.starts);
    else entriesList.clear();
    if (reply.exits) exitsList.setLines(reply.exits.bytes, reply.exits.starts);
    else exitsList.clear();
  }

  // What the buttons allow: Conversion with a download open; Guardar and Informe nuevo too,
  // and Resumen after a Conversion, unless "formas clásicas" changed since it (stale).
  let opened = false;
  let converted = false;
  let convertedForms = null;  // the forms of the last Conversion of the open download
  function setAvailable(open, done) {
    opened = open;
    converted = done;
    if (!open) convertedForms = null;
    const stale = convertedForms !== null && convertedForms !== chosenForms();
    $("convert-button").disabled = !open;
    $("save-button").disabled = !open || stale;
    $("new-report-button").disabled = !open || stale;
    $("summary-button").disabled = !done || stale;
    if (!done || stale) $("summary").hidden = true;
  }

  function chosenForms() {
    return $("classic-forms").checked ? "classic" : "regional";
  }

  $("classic-forms").addEventListener("change", () => {
    setAvailable(opened, converted);
    if (convertedForms !== null && !busy()) {
      $("status").textContent = convertedForms !== chosenForms()
        ? "Las formas cambiaron: pulse Conversion antes de guardar o ver el Resumen" : "";
    }
  });

  // A file name without its last extension: "norte.vlm" -> "norte".
  function stem(name) {
    const dot = name.lastIndexOf(".");
    return dot > 0 ? name.slice(0, dot) : name;
  }

  function busy() {
    return outstanding > 0;
  }

  // ---------------------------------------------------------------------------------------
  // Abrir.
  let openName = "";
  let openHandle = null;
  let openFacts = null;

  function openFile(file, handle) {
    return working(() => openBytes(file, handle));
  }

  // No download on the page: its name (`name` shown instead), header, text, lists and counts
  // gone, and nothing to convert, save or sum up.
  function forgetDownload(name) {
    $("download-name").textContent = name;
    setAvailable(false, false);
    openName = "";
    openHandle = null;
    openFacts = null;
    downloadBytes = null;
    showDownloadText();
    entriesList.clear();
    exitsList.clear();
    showCounts(null);
    showHeader(null);
    $("notice").textContent = "";
  }

  async function openBytes(file, handle) {
    clearMessages();
    forgetDownload(file.name);
    openName = file.name;
    openHandle = handle || null;
    // What tells the download's file apart where there is no handle to ask.
    openFacts = {name: file.name, size: file.size, lastModified: file.lastModified};
    let bytes;
    $("status").textContent = "Leyendo la descarga";
    try {
      bytes = await file.arrayBuffer();
    } catch (error) {
      const name = error && error.name;
      const tooLarge = name === "RangeError" || (name === "NotReadableError" && file.size >= 256 * 1024 * 1024);
      const failure = await failureOf(tooLarge ? 7 : name === "NotFoundError" ? 53 : 57);
      forgetDownload(file.name);
      showAlert(failure, file.name);
      return;
    }
    const reply = await request({op: "open", name: file.name, bytes}, [bytes]);
    if (!reply.ok) {
      forgetDownload(file.name);
      showAlert(reply.failure, file.name);
      return;
    }
    openName = file.name;
    openHandle = handle || null;
    openFacts = {name: file.name, size: file.size, lastModified: file.lastModified};
    showHeader(reply.header);
    downloadBytes = reply.text;
    showDownloadText();
    setAvailable(true, false);
  }

  async function openHandleFile(handle) {
    let file;
    try {
      file = await handle.getFile();
    } catch (error) {
      const number = error && error.name === "NotFoundError" ? 53 : error && error.name === "NotAllowedError" ? 70 : 57;
      clearMessages();
      forgetDownload(handle.name);
      showAlert(await failureOf(number), handle.name);
      return;
    }
    await openFile(file, handle);
  }

  $("open-button").addEventListener("click", async () => {
    if (busy()) return;
    if (window.showOpenFilePicker) {
      let handles;
      try {
        handles = await window.showOpenFilePicker({
          types: [{description: "Velmor", accept: {"application/octet-stream": [".vlm", ".rbs"]}}],
        });
      } catch (error) {
        if (error && error.name === "AbortError") return;  // cancelled: nothing changes
        $("download-input").click();
        return;
      }
      if (handles && handles[0]) await openHandleFile(handles[0]);
      return;
    }
    $("download-input").click();
  });

  $("download-input").addEventListener("change", async (event) => {
    const input = event.target;
    const file = input.files && input.files[0];
    input.value = "";
    if (!file) return;
    await idle();  // a file given while the page starts opens once it is ready
    await openFile(file, null);
  });

  // A file dropped anywhere on the page opens as if chosen with Abrir.
  document.addEventListener("dragover", (event) => {
    if (event.dataTransfer && [...event.dataTransfer.types].includes("Files")) {
      event.preventDefault();
      event.dataTransfer.dropEffect = busy() ? "none" : "copy";
    }
  });
  document.addEventListener("drop", (event) => {
    if (!event.dataTransfer || ![...event.dataTransfer.types].includes("Files")) return;
    event.preventDefault();
    const items = [...event.dataTransfer.items].filter((item) => item.kind === "file");
    if (busy() || items.length !== 1) return;
    const item = items[0];
    const file = item.getAsFile();
    const handle = item.getAsFileSystemHandle ? item.getAsFileSystemHandle() : null;
    (async () => {
      let fileHandle = null;
      try {
        const h = handle ? await handle : null;
        if (h && h.kind === "directory") return;
        if (h && h.kind === "file") fileHandle = h;
      } catch (error) {
        fileHandle = null;
      }
      if (file) await openFile(file, fileHandle);
    })();
  });

  // ---------------------------------------------------------------------------------------
  // Conversion.
  $("convert-button").addEventListener("click", async () => {
    if (busy() || $("convert-button").disabled) return;
    clearMessages();
    $("summary-button").disabled = true;
    $("summary").hidden = true;
    await working(() => convert(chosenForms()));
  });

  async function convert(forms) {
    const reply = await request({op: "convert", forms, language: navigator.language || ""});
    if (reply.closed) return showAlert(reply.failure);
    showCounts(reply.counts);
    showLists(reply);
    $("notice").textContent = (reply.notices || []).join("\n");
    convertedForms = forms;
    setAvailable(opened, reply.ok);
    if (!reply.ok) {
      showAlert(reply.failure);
      return;
    }
    // What a screen reader hears once the lists are made: the counts after their captions.
    finalStatus = `ENTRADAS: ${reply.counts.entries}, SALIDAS: ${reply.counts.exits}, TOTAL: ${reply.counts.total}`;
  }

  // ---------------------------------------------------------------------------------------
  // Saving: the report after the chosen file's bytes, or a download of it.
  function download(bytes, name, type) {
    const url = URL.createObjectURL(new Blob([bytes], {type}));
    const link = document.createElement("a");
    link.href = url;
    link.download = name;
    link.hidden = true;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  function writeFailure(error) {
    const name = error && error.name;
    if (name === "QuotaExceededError") return 61;
    if (name === "NotAllowedError" || name === "NoModificationAllowedError" || name === "SecurityError") return 70;
    if (name === "NotFoundError") return 53;
    if (name === "TypeMismatchError" || name === "InvalidStateError") return 75;
    return 57;
  }

  function appendReport(handle) {
    return working(() => appendTo(handle));
  }

  // Whether `handle` is the open download's file: the browser says so where the download came
  // with a handle; else a file of the same name, size and time of its last change is taken
  // for it.
  async function isDownload(handle) {
    if (openHandle) {
      try {
        return await handle.isSameEntry(openHandle);
      } catch (error) {
        // not told: the file's facts decide
      }
    }
    if (!openFacts) return false;
    try {
      const file = await handle.getFile();
      return file.name === openFacts.name && file.size === openFacts.size &&
             file.lastModified === openFacts.lastModified;
    } catch (error) {
      return false;
    }
  }

  // The report added after the bytes of the file `handle` holds: refused (55) before anything
  // is asked or written when it is the open download; whole or not at all.
  async function appendTo(handle) {
    $("report-name").textContent = handle.name;
    if (await isDownload(handle)) return showAlert(await failureOf(55), handle.name);
    try {
      const allowed = handle.requestPermission ? await handle.requestPermission({mode: "readwrite"}) : "granted";
      if (allowed !== "granted") return showAlert(await failureOf(70), handle.name);
    } catch (error) {
      return showAlert(await failureOf(70), handle.name);
    }
    const reply = await request({op: "report"});
    if (!reply.ok) return showAlert(reply.failure, handle.name);
    let writable = null;
    try {
      const size = (await handle.getFile()).size;
      writable = await handle.createWritable({keepExistingData: true});
      await writable.seek(size);
      await writable.write(new Uint8Array(reply.bytes));
      await writable.close();
      writable = null;
    } catch (error) {
      if (writable) await writable.abort().catch(() => {});
      showAlert(await failureOf(writeFailure(error)), handle.name);
    }
  }

  // The report offered as a download named after the download: "norte.vlm" gives
  // "norte.informe.txt".
  async function offerReport() {
    const suggested = stem(openName) + ".informe.txt";
    const reply = await request({op: "report"});
    if (!reply.ok) return showAlert(reply.failure, suggested);
    $("report-name").textContent = suggested;
    download(reply.bytes, suggested, "text/plain;charset=windows-1252");
  }

  // Guardar: where the browser lets the page write a file it is given, the report file to add
  // to is chosen with the open picker (a save picker empties the file it is given); elsewhere
  // the report is offered as a download.
  $("save-button").addEventListener("click", async () => {
    if (busy() || $("save-button").disabled) return;
    clearMessages();
    if (window.showOpenFilePicker) {
      let handles = null;
      $("status").textContent = "Elija el archivo de informe al que añadir";
      try {
        handles = await window.showOpenFilePicker({
          types: [{description: "Archivo de informe", accept: {"text/plain": [".txt"]}}],
        });
      } catch (error) {
        $("status").textContent = "";
        if (error && error.name === "AbortError") return;  // cancelled: nothing changes
        handles = null;
      }
      $("status").textContent = "";
      if (handles && handles[0]) return appendReport(handles[0]);
    }
    await working(offerReport);
  });

  // Informe nuevo: the report as a new file, a download named after the download.
  $("new-report-button").addEventListener("click", async () => {
    if (busy() || $("new-report-button").disabled) return;
    clearMessages();
    await working(offerReport);
  });

  // ---------------------------------------------------------------------------------------
  // Resumen.
  const dayColumns = ["Fecha", "Día", "Cobertura", "Entradas", "Salidas", "Total", "Hora punta",
    "Vehículos en hora punta", "Factor", "Reparto (%)", "Ocupación máxima", "Ocupación mínima",
    "Ocupación al final del día"];
  const dayFields = ["date", "weekday", "coverage", "entries", "exits", "total", "peak_hour",
    "peak_volume", "peak_factor", "split", "max_occupancy", "min_occupancy", "end_occupancy"];
  const averageColumns = ["Día medio", "Días completos", "Entradas", "Salidas", "Total"];
  const hourColumns = ["Hora", "Entradas", "Salidas", "Ocupación al final de la hora"];
  let days = [];
  let chosenDay = -1;

  function headRow(table, columns) {
    const row = document.createElement("tr");
    for (const text of columns) {
      const th = document.createElement("th");
      th.scope = "col";
      th.textContent = text;
      row.append(th);
    }
    table.tHead.replaceChildren(row);
  }

  function cell(tag, text, numeric) {
    const c = document.createElement(tag);
    c.textContent = text === undefined || text === null ? "" : String(text);
    if (numeric) c.className = "num";
    return c;
  }

  // A table row headed by the button that chooses it (class `kind`), in its row header.
  function chooserRow(kind, label) {
    const row = document.createElement("tr");
    const th = document.createElement("th");
    th.scope = "row";
    const button = document.createElement("button");
    button.type = "button";
    button.className = kind;
    button.textContent = label;
    th.append(button);
    row.append(th);
    return { row, button };
  }

  function dayRow(day, index) {
    const { row, button } = chooserRow("day-button", day.date);
    button.dataset.day = String(index);
    button.tabIndex = index === Math.max(chosenDay, 0) ? 0 : -1;
    if (index === chosenDay) {
      row.classList.add("chosen");
      button.setAttribute("aria-current", "true");
    }
    const missing = day.coverage === "sin datos";
    for (let i = 1; i < dayFields.length; ++i) {
      row.append(cell("td", missing && i > 2 ? "" : day[dayFields[i]], i > 2));
    }
    return row;
  }

  // The days table. Up to kAllDays days it holds a row for each; a longer period (decades of
  // days) gets a table of fixed columns that holds only the rows in view, the chosen one and
  // spacers for the others, each row with its place (aria-rowindex) among them all.
  const kAllDays = 1000;
  const daysBox = $("days-table").parentElement;
  let daysRows = new Map();
  let daysRowHeight = 0;

  function showDays(list) {
    const table = $("days-table");
    headRow(table, dayColumns);
    const body = table.tBodies[0];
    body.replaceChildren();
    daysRows = new Map();
    daysRowHeight = 0;
    const virtual = list.length > kAllDays;
    table.classList.toggle("virtual", virtual);
    const old = table.querySelector("colgroup");
    if (old) old.remove();
    table.style.width = "";
    daysBox.scrollTop = 0;
    if (!virtual) {
      table.removeAttribute("aria-rowcount");
      const part = document.createDocumentFragment();
      list.forEach((day, i) => part.append(dayRow(day, i)));
      body.append(part);
      return;
    }
    table.setAttribute("aria-rowcount", String(list.length + 1));
    // Each column as wide as its longest value or the longest word of its heading.
    const widths = dayColumns.map((title) => Math.max(...title.split(" ").map((w) => w.length)));
    for (const day of list) {
      for (let i = 0; i < dayFields.length; ++i) {
        const text = day[dayFields[i]];
        const wide = text === undefined || text === null ? 0 : String(text).length;
        if (wide > widths[i]) widths[i] = wide;
      }
    }
    const group = document.createElement("colgroup");
    let chars = 0, ems = 0;
    widths.forEach((wide, i) => {
      const col = document.createElement("col");
      const extra = i === 0 ? 3 : 1.2;  // the cell's padding, and the day's button
      col.style.width = `calc(${wide + 1}ch + ${extra}em)`;
      chars += wide + 1;
      ems += extra;
      group.append(col);
    });
    table.prepend(group);
    table.style.width = `calc(${chars}ch + ${ems}em)`;
    renderDays();
  }

  function gapRow(rows) {
    const tr = document.createElement("tr");
    tr.className = "gap";
    tr.setAttribute("aria-hidden", "true");
    const td = document.createElement("td");
    td.colSpan = dayColumns.length;
    td.style.height = rows * daysRowHeight + "px";
    tr.append(td);
    return tr;
  }

  // The rows of a long period in view: rows already shown stay where they are (a focused day
  // keeps its focus), new ones go in between, spacers stand for the rest.
  function renderDays() {
    const table = $("days-table");
    if (!table.classList.contains("virtual") || $("summary").hidden) return;
    const body = table.tBodies[0];
    if (!daysRowHeight) {
      const probe = dayRow(days[0], 0);
      body.append(probe);
      daysRowHeight = probe.getBoundingClientRect().height || 24;
      probe.remove();
    }
    const h = daysRowHeight;
    const offset = Math.max(0, daysBox.scrollTop - table.tHead.getBoundingClientRect().height);
    const first = Math.max(0, Math.floor(offset / h) - 5);
    const last = Math.min(days.length - 1, Math.ceil((offset + daysBox.clientHeight) / h) + 5);
    const wanted = [];
    if (chosenDay >= 0 && chosenDay < first) wanted.push(chosenDay);
    for (let i = first; i <= last; ++i) wanted.push(i);
    if (chosenDay > last) wanted.push(chosenDay);
    const keep = new Set(wanted);
    for (const [i, tr] of daysRows) {
      if (!keep.has(i)) {
        tr.remove();
        daysRows.delete(i);
      }
    }
    for (const gap of body.querySelectorAll("tr.gap")) gap.remove();
    let cursor = body.firstChild;
    let previous = -1;
    for (const i of wanted) {
      let tr = daysRows.get(i);
      if (tr) {
        cursor = tr.nextSibling;
      } else {
        tr = dayRow(days[i], i);
        tr.setAttribute("aria-rowindex", String(i + 2));
        daysRows.set(i, tr);
        body.insertBefore(tr, cursor);
      }
      if (i - previous > 1) body.insertBefore(gapRow(i - previous - 1), tr);
      previous = i;
    }
    if (days.length - 1 > previous) body.append(gapRow(days.length - 1 - previous));
  }
  let daysPending = false;
  const scheduleDays = () => {
    if (daysPending) return;
    daysPending = true;
    requestAnimationFrame(() => {
      daysPending = false;
      renderDays();
    });
  };
  daysBox.addEventListener("scroll", scheduleDays);
  new ResizeObserver(() => {
    daysRowHeight = 0;
    scheduleDays();
  }).observe(daysBox);

  function showAverages(list) {
    const table = $("averages-table");
    headRow(table, averageColumns);
    const body = table.tBodies[0];
    body.replaceChildren();
    list.forEach((average, index) => {
      const { row, button } = chooserRow("average-button", average.name);
      button.dataset.average = index === 0 ? "weekday" : "weekend";
      const none = average.none || average.text || (Number(average.days) === 0 ? average.entries : "");
      if (none && !Number(average.days)) {
        const td = cell("td", none, false);
        td.colSpan = averageColumns.length - 1;
        row.append(td);
      } else {
        for (const field of ["days", "entries", "exits", "total"]) row.append(cell("td", average[field], true));
      }
      body.append(row);
    });
  }

  function showChecks(list) {
    const ul = $("checks-list");
    ul.replaceChildren(...list.map((line) => {
      const li = document.createElement("li");
      li.textContent = line;
      return li;
    }));
  }

  // A number as the tables write it ("3,5" or "3.5"); 0 for anything else.
  function value(text) {
    const n = Number(String(text === undefined ? "" : text).replace(",", "."));
    return Number.isFinite(n) ? n : 0;
  }

  const svgNs = "http://www.w3.org/2000/svg";
  function svg(tag, attributes, text) {
    const element = document.createElementNS(svgNs, tag);
    for (const [key, v] of Object.entries(attributes)) {
      if (v !== null && v !== undefined) element.setAttribute(key, String(v));
    }
    if (text !== undefined) element.textContent = text;
    return element;
  }

  // A tidy top for a scale: 1, 2 or 5 times a power of ten, at least `most`.
  function niceTop(most) {
    if (most <= 0) return 1;
    const power = Math.pow(10, Math.floor(Math.log10(most)));
    for (const f of [1, 2, 5, 10]) if (f * power >= most) return f * power;
    return 10 * power;
  }

  // The chart of the day's hours: entries as plain bars, exits as hatched bars, and for a day
  // (not an average) the occupancy at the end of each hour as steps on its own scale. Drawn in
  // the box's own CSS pixels with the page's font, so its text stays readable at any width.
  let chartShown = null;
  function showChart(hours, title, average) {
    chartShown = {hours, title, average};
    const chart = $("day-chart");
    chart.replaceChildren();
    chart.setAttribute("aria-label", title ? "Gráfico del día: " + title : "Gráfico del día");
    const W = Math.max(200, $("chart-box").clientWidth);
    const f = parseFloat(getComputedStyle(chart).fontSize) || 16;
    const textWidth = (text) => text.length * f * 0.62;
    if (!hours || !hours.length) {
      chart.setAttribute("viewBox", `0 0 ${W} ${f}`);
      chart.setAttribute("height", f);
      return;
    }
    const entries = hours.map((h) => value(h.entries)), exits = hours.map((h) => value(h.exits));
    const occupancy = hours.map((h) => value(h.occupancy));
    const barTop = niceTop(Math.max(...entries, ...exits));
    const low = Math.min(0, ...occupancy), high = Math.max(1, ...occupancy);
    // The legend first, in as many lines as the width needs.
    const items = [["entry-fill", "Entradas"], ["exit-bar", "Salidas"]];
    if (!average) items.push(["occupancy", "Ocupación"]);
    const legend = svg("g", {});
    let lx = 0, ly = 0;
    for (const [kind, text] of items) {
      const wide = f * 1.4 + textWidth(text) + f;
      if (lx > 0 && lx + wide > W) {
        lx = 0;
        ly += f * 1.5;
      }
      legend.append(kind === "occupancy"
        ? svg("line", {x1: lx, y1: ly + f * 0.5, x2: lx + f, y2: ly + f * 0.5, class: "occupancy"})
        : svg("rect", {x: lx, y: ly, width: f, height: f, class: kind, fill: kind === "exit-bar" ? "url(#hatch)" : null}));
      legend.append(svg("text", {x: lx + f * 1.4, y: ly + f * 0.85}, text));
      lx += wide;
    }
    const barTicks = Number.isInteger(barTop / 2) ? [0, barTop / 2, barTop] : [0, barTop];
    const left = Math.max(...barTicks.map((v) => textWidth(String(v)))) + f * 0.8;
    const right = average ? f : Math.max(textWidth(String(low)), textWidth(String(high))) + f * 0.8;
    const top = ly + f * 1.6 + f * 1.5;  // legend, then the axes' titles
    const plotH = Math.max(f * 8, Math.min(W * 0.45, 260));
    const H = top + plotH + f * 3;
    const plotW = W - left - right;
    chart.setAttribute("viewBox", `0 0 ${W} ${H}`);
    chart.setAttribute("width", W);
    chart.setAttribute("height", H);
    const y = (v) => top + plotH - (v / barTop) * plotH;
    const oy = (v) => top + plotH - ((v - low) / (high - low)) * plotH;
    const defs = svg("defs", {});
    const pattern = svg("pattern", {id: "hatch", patternUnits: "userSpaceOnUse", width: 6, height: 6, patternTransform: "rotate(45)"});
    pattern.append(svg("rect", {width: 6, height: 6, class: "exit-fill"}), svg("line", {x1: 0, y1: 0, x2: 0, y2: 6, class: "hatch"}));
    defs.append(pattern);
    chart.append(defs, legend);
    // The axes, their scales (the ends always) and their titles.
    chart.append(svg("line", {x1: left, y1: top + plotH, x2: left + plotW, y2: top + plotH, class: "axis"}));
    chart.append(svg("line", {x1: left, y1: top, x2: left, y2: top + plotH, class: "axis"}));
    for (const v of barTicks) {
      chart.append(svg("text", {x: left - f * 0.4, y: y(v) + f * 0.35, class: "end"}, String(v)));
    }
    chart.append(svg("text", {x: 0, y: top - f * 0.6}, "Vehículos por hora"));
    const slot = plotW / 24;
    const every = [1, 2, 3, 4, 6, 12].find((n) => slot * n >= textWidth("00") + f * 0.5) || 12;
    for (let h = 0; h < 24; h += every) {
      chart.append(svg("text", {x: left + slot * (h + 0.5), y: top + plotH + f * 1.2, class: "middle"}, String(h).padStart(2, "0")));
    }
    chart.append(svg("text", {x: left + plotW / 2, y: top + plotH + f * 2.5, class: "middle"}, "Hora"));
    const bar = slot * 0.4;
    hours.forEach((hour, h) => {
      const x = left + slot * h + slot * 0.1;
      chart.append(svg("rect", {x, y: y(entries[h]), width: bar, height: top + plotH - y(entries[h]), class: "entry-fill"}));
      chart.append(svg("rect", {x: x + bar, y: y(exits[h]), width: bar, height: top + plotH - y(exits[h]), fill: "url(#hatch)", class: "exit-bar"}));
    });
    if (!average) {
      let d = "";
      occupancy.forEach((v, h) => {
        d += `${h === 0 ? "M" : "L"}${left + slot * h},${oy(v)}H${left + slot * (h + 1)}`;
      });
      chart.append(svg("path", {d, class: "occupancy"}));
      chart.append(svg("line", {x1: left + plotW, y1: top, x2: left + plotW, y2: top + plotH, class: "axis"}));
      for (const v of [low, high]) {
        chart.append(svg("text", {x: left + plotW + f * 0.4, y: oy(v) + f * 0.35}, String(v)));
      }
      chart.append(svg("text", {x: W, y: top - f * 0.6, class: "end"}, "Ocupación"));
    }
  }
  new ResizeObserver(() => {
    if (chartShown) showChart(chartShown.hours, chartShown.title, chartShown.average);
  }).observe($("chart-box"));

  function showHours(hours, title, average) {
    $("day-title").textContent = title;
    const table = $("hours-table");
    headRow(table, average ? [...hourColumns.slice(0, 3), "Total"] : hourColumns);
    const body = table.tBodies[0];
    body.replaceChildren(...(hours || []).map((hour) => {
      const row = document.createElement("tr");
      const h = typeof hour.hour === "number" ? `${String(hour.hour).padStart(2, "0")}:00-${String(hour.hour + 1).padStart(2, "0")}:00` : hour.hour;
      row.append(cell("th", h, false));
      row.firstChild.scope = "row";
      row.append(cell("td", hour.entries, true), cell("td", hour.exits, true),
        cell("td", average && hour.total !== undefined ? hour.total : hour.occupancy, true));
      return row;
    }));
    showChart(hours, title, average);
  }

  let hoursWanted = null;
  let hoursAsked = false;
  // The hours of a day (its index) or of an average day ("weekday", "weekend"); the last
  // asked for wins when several are asked for meanwhile.
  async function chooseHours(which) {
    hoursWanted = which;
    if (hoursAsked) return;
    hoursAsked = true;
    try {
      while (hoursWanted !== null) {
        const asked = hoursWanted;
        hoursWanted = null;
        let title;
        const average = typeof asked === "string";
        if (average) {
          const rows = $("averages-table").tBodies[0].rows;
          const row = rows[asked === "weekday" ? 0 : 1];
          title = row ? row.cells[0].textContent : "";
        } else {
          const day = days[asked];
          title = day ? `${day.weekday} ${day.date}, ${day.coverage}` : "";
          if (day && day.coverage === "sin datos") {
            showHours([], title, false);
            continue;
          }
        }
        const reply = await request({op: "hours", day: asked});
        if (hoursWanted !== null) continue;
        if (!reply.ok) {
          showHours([], title, average);
          showAlert(reply.failure);
        } else {
          showHours(reply.hours, title, average);
        }
      }
    } finally {
      hoursAsked = false;
    }
  }

  function chooseDay(index, focus) {
    if (index < 0 || index >= days.length) return;
    chosenDay = index;
    const table = $("days-table");
    if (table.classList.contains("virtual")) {
      // Into view first, so that its row is there to take the focus.
      const headHeight = table.tHead.getBoundingClientRect().height;
      const top = headHeight + index * daysRowHeight;
      if (top - headHeight < daysBox.scrollTop) daysBox.scrollTop = top - headHeight;
      else if (top + daysRowHeight > daysBox.scrollTop + daysBox.clientHeight)
        daysBox.scrollTop = top + daysRowHeight - daysBox.clientHeight;
      renderDays();
    }
    for (const b of table.querySelectorAll(".day-button")) {
      const mine = Number(b.dataset.day) === index;
      b.tabIndex = mine ? 0 : -1;
      b.closest("tr").classList.toggle("chosen", mine);
      if (mine) {
        b.setAttribute("aria-current", "true");
        if (focus) {
          b.focus();
          b.scrollIntoView({block: "nearest"});
        }
      } else {
        b.removeAttribute("aria-current");
      }
    }
    return chooseHours(index);
  }

  $("days-table").addEventListener("click", (event) => {
    const button = event.target.closest(".day-button");
    if (button) chooseDay(Number(button.dataset.day), false);
  });
  // Up and down move between days (choosing each), Home and End to the first and last.
  $("days-table").addEventListener("keydown", (event) => {
    const button = event.target.closest(".day-button");
    if (!button) return;
    const at = Number(button.dataset.day);
    const page = 10;
    const to = {ArrowDown: at + 1, ArrowUp: at - 1, PageDown: at + page, PageUp: at - page, Home: 0, End: days.length - 1}[event.key];
    if (to === undefined || event.altKey || event.ctrlKey) return;
    event.preventDefault();
    chooseDay(Math.max(0, Math.min(days.length - 1, to)), true);
  });
  $("averages-table").addEventListener("click", (event) => {
    const button = event.target.closest(".average-button");
    if (!button) return;
    // No day is the chosen one while an average day is shown.
    chosenDay = -1;
    for (const row of $("days-table").querySelectorAll("tr.chosen")) row.classList.remove("chosen");
    for (const day of $("days-table").querySelectorAll("[aria-current]")) day.removeAttribute("aria-current");
    chooseHours(button.dataset.average);
  });

  $("summary-button").addEventListener("click", () => {
    if (busy() || $("summary-button").disabled) return;
    clearMessages();
    working(summarize);
  });

  // The Resumen of the last Conversion, its first day chosen.
  async function summarize() {
    const reply = await request({op: "summary"});
    if (!reply.ok) {
      $("summary").hidden = true;
      showAlert(reply.failure);
      return;
    }
    days = reply.days || [];
    chosenDay = days.length ? 0 : -1;
    $("summary").hidden = false;
    $("period").textContent = reply.period || "";
    showDays(days);
    showAverages(reply.averages || []);
    showChecks(reply.checks || []);
    showHours([], "", false);
    // The keyboard goes to the Resumen, as the window's Resumen takes it.
    $("summary-heading").focus({preventScroll: true});
    $("summary-heading").scrollIntoView({block: "start"});
    if (days.length) await chooseDay(0, false);
  }

  $("export-button").addEventListener("click", async () => {
    if (busy()) return;
    clearMessages();
    const format = $("export-choice").value;
    const reply = await request({op: "export", format});
    if (!reply.ok) return showAlert(reply.failure, reply.suggested);
    const type = format === "summary" ? "text/plain;charset=utf-8" : "text/csv;charset=utf-8";
    download(reply.bytes, reply.suggested, type);
  });

  // ---------------------------------------------------------------------------------------
  // Test hook: a file of the origin-private file system opened as the picker would.
  window.tarvexTest = {
    openHandle: async (handle) => {
      await idle();
      await openHandleFile(handle);
    },
  };

  // ---------------------------------------------------------------------------------------
  // Start: the worker from its source in the page, the core from its bytes in the page.
  async function start() {
    setBusy(true);
    try {
      const source = $("worker-source") ? $("worker-source").textContent : "";
      if (!source.trim()) throw new Error("tarvex.html sin el núcleo: constrúyalo con scripts/web");
      const wasm = base64Bytes($("core-wasm").textContent).buffer;
      const url = URL.createObjectURL(new Blob([source], {type: "text/javascript"}));
      worker = new Worker(url);
      worker.onmessage = (event) => answer(event.data);
      worker.onerror = (event) => {
        event.preventDefault();
        lost(event.message || "");
      };
      const reply = await request({op: "init", wasm}, [wasm]);
      if (!reply.ok) {
        showAlert(reply.failure);
        return;
      }
    } catch (error) {
      showAlert({number: 7, description: String((error && error.message) || error)});
      document.body.dataset.busy = "false";
      return;
    }
    setAvailable(false, false);
    document.body.dataset.busy = "false";
  }

  // Buttons that say they are unavailable while the worker works are not pressed.
  document.addEventListener("click", (event) => {
    const button = event.target.closest && event.target.closest("button[aria-disabled=true]");
    if (button) {
      event.preventDefault();
      event.stopImmediatePropagation();
    }
  }, true);

  start();
})();
