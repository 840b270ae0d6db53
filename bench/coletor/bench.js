// Device-side measures of the handheld app, driven by bench/coletor/run.py:
// a load of the generated assets through the app's own storage code beside a
// bare IndexedDB bulk insert of the same records, and the time from a scan to
// its reading shown on the count screen.

import {abrir, bensDaCarga} from '/modulos/armazem.js';

function apagar(nome) {
  return new Promise((resolve, reject) => {
    const req = indexedDB.deleteDatabase(nome);
    req.onsuccess = () => resolve();
    req.onerror = () => reject(req.error);
  });
}

// The plainest bulk insert: one store keyed by code with the same index, one
// transaction, one put per record.
async function insercaoSimples(registros) {
  await apagar('bench-simples');
  const db = await new Promise((resolve, reject) => {
    const req = indexedDB.open('bench-simples', 1);
    req.onupgradeneeded = () => req.result.createObjectStore('bens', {keyPath: 'BECODIGO'}).createIndex('local', 'BELOCAL');
    req.onsuccess = () => resolve(req.result);
    req.onerror = () => reject(req.error);
  });
  const inicio = performance.now();
  const tx = db.transaction('bens', 'readwrite');
  const loja = tx.objectStore('bens');
  for (const r of registros) loja.put(r);
  await new Promise((resolve, reject) => {
    tx.oncomplete = resolve;
    tx.onerror = () => reject(tx.error);
  });
  const ms = performance.now() - inicio;
  db.close();
  return ms;
}

// The app's load from the desktop's answer: fetch, parse and store.
async function cargaDoApp() {
  await apagar('ambitra-coletor');
  const inicio = performance.now();
  const resposta = await fetch('/api/v1/carga', {method: 'POST', body: '{"locais":["*"]}'});
  const carga = await resposta.json();
  const recebida = performance.now();
  const armazem = await abrir();
  await armazem.guardarCarga(carga);
  const fim = performance.now();
  armazem.fechar();
  return {carga, rede: recebida - inicio, armazenar: fim - recebida, total: fim - inicio};
}

window.medirCarga = async (rodadas) => {
  const resultados = [];
  let carga;
  for (let i = 0; i < rodadas; i++) {
    const app = await cargaDoApp();
    carga = app.carga;
    const simples = await insercaoSimples(bensDaCarga(carga));
    resultados.push({rede: app.rede, armazenar: app.armazenar, total: app.total, simples});
  }
  // The count screen opens on location 0001 with an operator logged in.
  const armazem = await abrir();
  await armazem.gravarAjustes({token: 'medida', operador: {codigo: 'OP1', nome: 'ANA'}, local: '0001'});
  armazem.fechar();
  return {bens: carga.bens.linhas.length, resultados};
};

// On the app's page: each code typed into the wedge field and Enter, timed
// until the reading's card shows it and a frame has been drawn.
window.medirLeituras = async (codigos) => {
  const leitor = document.getElementById('leitor');
  const formulario = document.getElementById('form-leitor');
  const cartao = document.getElementById('ultima');
  const tempos = [];
  for (const codigo of codigos) {
    const inicio = performance.now();
    const mostrado = new Promise((resolve) => {
      const observador = new MutationObserver(() => {
        if (!cartao.hidden && cartao.textContent.startsWith(codigo)) {
          observador.disconnect();
          resolve();
        }
      });
      observador.observe(cartao, {childList: true, subtree: true, attributes: true});
    });
    leitor.value = codigo;
    formulario.requestSubmit();
    await mostrado;
    await new Promise((resolve) => requestAnimationFrame(() => resolve()));
    tempos.push(performance.now() - inicio);
  }
  return tempos;
};
