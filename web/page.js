"use strict";
// The page's thread: the worker made from its source in the page, the core from its bytes.
(async () => {
  const source = document.getElementById("worker-source").textContent;
  const text = atob(document.getElementById("core-wasm").textContent);
  const wasm = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) wasm[i] = text.charCodeAt(i);
  const worker = new Worker(URL.createObjectURL(new Blob([source], {type: "text/javascript"})));
  worker.onmessage = (event) => {
    if (event.data.progress) return;
    document.getElementById("status").textContent = event.data.ok ? "Listo" : "Error";
    document.body.dataset.busy = "false";
  };
  worker.postMessage({id: 1, op: "init", wasm: wasm.buffer}, [wasm.buffer]);
})();
