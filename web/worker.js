// The page's worker: the core (TarvexCore, emscripten's loader, comes before this in the
// same source) runs here, off the page's thread. It answers each request {id, op, ...} with
// one final message {id, ok: true, ...} or {id, ok: false, failure: {number, description}},
// and before it may tell its steps as {id, progress: {step, steps, label}}. Large byte arrays
// go as ArrayBuffers, transferred. The module is made from the WebAssembly the page posts: the
// loader fetches nothing.
"use strict";

let compiled = null;  // the WebAssembly module, compiled once
let core = null;      // its instance, with the one open download
let downloadName = "";
let memoryFailure = null;  // failure 7 as the core says it, kept for when memory is out

// A core made anew; rejects where the module cannot be instantiated (the loader would wait
// for ever on an instance that never comes).
async function makeCore() {
  core = null;
  let failed;
  const refused = new Promise((resolve, reject) => {
    failed = reject;
  });
  core = await Promise.race([
    TarvexCore({
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(compiled, imports)
            .then((instance) => receive(instance, compiled), failed);
        return {};
      },
      print() {},
      printErr() {},
    }),
    refused,
  ]);
}

// The core's answer to its last call, as an object.
function answer() {
  const at = core._tarvex_answer() >>> 0;
  const size = core._tarvex_answer_size() >>> 0;
  if (size === 0) return {failure: memoryFailure};
  return JSON.parse(new TextDecoder().decode(core.HEAPU8.subarray(at, at + size)));
}

// A copy of byte range `which` of the core's last call.
function piece(which) {
  const at = core._tarvex_piece(which) >>> 0;
  const size = core._tarvex_piece_size(which) >>> 0;
  return core.HEAPU8.slice(at, at + size).buffer;
}

// `bytes` copied into the core's memory; throws failure 7 where it does not fit.
function put(bytes) {
  const at = core._malloc(Math.max(bytes.length, 1)) >>> 0;
  if (at === 0) throw {failure: memoryFailure};
  core.HEAPU8.set(bytes, at);
  return at;
}

// A list as the page shows it: its bytes, and where each line starts, with the end last.
function list(bytes) {
  const view = new Uint8Array(bytes);
  let lines = 0;
  for (let i = 0; i < view.length; ++i) {
    if (view[i] === 10) ++lines;
  }
  // A last line without its line feed (never made by the core) is a line still.
  const open = view.length > 0 && view[view.length - 1] !== 10;
  const starts = new Uint32Array(lines + (open ? 2 : 1));
  let line = 1;
  for (let i = 0; i < view.length; ++i) {
    if (view[i] === 10) starts[line++] = i + 1;
  }
  starts[starts.length - 1] = view.length;
  return {bytes, starts: starts.buffer};
}

// The file names a table is offered under: "norte.vlm" gives "norte.dias.csv".
const EXPORTS = {
  passages: [0, "pasos.csv"],
  intervals15: [1, "intervalos15.csv"],
  intervals60: [2, "intervalos60.csv"],
  days: [3, "dias.csv"],
  hourly: [4, "horas.csv"],
  summary: [5, "resumen.txt"],
};

function suggested(ending) {
  const dot = downloadName.lastIndexOf(".");
  const stem = dot > 0 ? downloadName.slice(0, dot) : downloadName;
  return (stem || "descarga") + "." + ending;
}

function withText(text, call) {
  const bytes = new TextEncoder().encode(text);
  const at = put(bytes);
  try {
    return call(at, bytes.length);
  } finally {
    core._free(at);
  }
}

const OPS = {
  async init(request) {
    compiled = await WebAssembly.compile(request.wasm);
    await makeCore();
    core._tarvex_failure(7);
    memoryFailure = answer().failure;
    return [{}, []];
  },

  open(request, progress) {
    progress(1, 2, "Leyendo la descarga");
    downloadName = "";
    const bytes = new Uint8Array(request.bytes);
    let failed;
    try {
      failed = withText(request.name, (name, nameSize) => {
        const at = put(bytes);
        try {
          return core._tarvex_open(name, nameSize, at, bytes.length);
        } finally {
          core._free(at);
        }
      });
    } catch (thrown) {
      core._tarvex_open(0, 0, 0, 0);  // no download stays open
      throw thrown;
    }
    const result = answer();
    if (failed) return [result, []];
    downloadName = request.name;
    progress(2, 2, "Mostrando el texto");
    const text = piece(0);
    return [{header: result.header, text}, [text]];
  },

  convert(request, progress) {
    progress(1, 3, "Buscando registros");
    const regional = request.forms === "regional" ? 1 : 0;
    withText(request.language || "", (language, size) =>
      core._tarvex_convert(regional, language, size));
    const result = answer();
    progress(2, 3, "Preparando las listas");
    const entries = list(piece(0));
    const exits = list(piece(1));
    progress(3, 3, "Mostrando las listas");
    result.entries = entries;
    result.exits = exits;
    return [result, [entries.bytes, entries.starts, exits.bytes, exits.starts]];
  },

  report() {
    core._tarvex_report();
    const result = answer();
    if (result.failure) return [result, []];
    const bytes = piece(0);
    return [{bytes}, [bytes]];
  },

  summary(request, progress) {
    progress(1, 1, "Analizando los pasos");
    core._tarvex_summary();
    return [answer(), []];
  },

  hours(request) {
    const day = request.day === "weekday" ? -1 : request.day === "weekend" ? -2 : request.day;
    core._tarvex_hours(Number.isInteger(day) ? day : -3);
    return [answer(), []];
  },

  export(request, progress) {
    const kind = EXPORTS[request.format];
    if (!kind) {
      core._tarvex_failure(5);
      return [answer(), []];
    }
    progress(1, 1, "Preparando la tabla");
    core._tarvex_export(kind[0]);
    const result = answer();
    if (result.failure) return [result, []];
    const bytes = piece(0);
    return [{bytes, suggested: suggested(kind[1])}, [bytes]];
  },

  // The failure `number` as the core describes it, for what the page meets outside the
  // worker: a file it cannot read, a report refused or not written.
  describe(request) {
    core._tarvex_failure(Number(request.number) | 0);
    return [answer(), []];
  },
};

async function handle(request) {
  const id = request.id;
  const progress = (step, steps, label) => postMessage({id, progress: {step, steps, label}});
  const op = OPS[request.op];
  if (!op || (!core && request.op !== "init")) {
    // A request the worker does not know, or one before the core is ready.
    postMessage({id, ok: false, failure: memoryFailure || {number: 7, description: ""},
                 closed: !core && request.op !== "init"});
    return;
  }
  try {
    const [result, transfer] = await op(request, progress);
    if (result.failure) {
      postMessage(Object.assign(result, {id, ok: false}), transfer);
    } else {
      postMessage(Object.assign(result, {id, ok: true}), transfer);
    }
  } catch (thrown) {
    // Not a failure of the core: memory the worker could not have, or a trap, after which the
    // core is made anew, holding no download.
    // The page is told (closed) that no download is open any more.
    const failure = (thrown && thrown.failure) || memoryFailure ||
                    {number: 7, description: String(thrown && thrown.message || thrown)};
    const remake = !(thrown && thrown.failure) && compiled && request.op !== "init";
    postMessage({id, ok: false, failure, closed: remake || request.op === "open"});
    if (remake) {
      downloadName = "";
      try {
        await makeCore();
      } catch (ignored) {
        core = null;
      }
    }
  }
}

// One request at a time, in the order they come.
let queue = Promise.resolve();
onmessage = (event) => {
  queue = queue.then(() => handle(event.data));
};
