// The handheld's state in IndexedDB: the pairing, the load (operators,
// conditions, locations, assets), the readings not yet acknowledged by the
// desktop and the codes seen in the current count.

const NOME = 'ambitra-coletor';
const VERSAO = 1;

export const LOJAS = ['ajustes', 'operadores', 'situacoes', 'locais', 'bens', 'leituras', 'vistos'];

function pedido(req) {
  return new Promise((resolve, reject) => {
    req.onsuccess = () => resolve(req.result);
    req.onerror = () => reject(req.error);
  });
}

function concluida(tx) {
  return new Promise((resolve, reject) => {
    tx.oncomplete = () => resolve();
    tx.onerror = () => reject(tx.error);
    tx.onabort = () => reject(tx.error || new DOMException('Transação abortada', 'AbortError'));
  });
}

export function abrir(nome = NOME) {
  return new Promise((resolve, reject) => {
    const req = indexedDB.open(nome, VERSAO);
    req.onupgradeneeded = () => {
      const db = req.result;
      db.createObjectStore('ajustes');
      db.createObjectStore('operadores', {keyPath: 'codigo'});
      db.createObjectStore('situacoes', {keyPath: 'codigo'});
      db.createObjectStore('locais', {keyPath: 'codigo'});
      db.createObjectStore('bens', {keyPath: 'BECODIGO'}).createIndex('local', 'BELOCAL');
      const leituras = db.createObjectStore('leituras', {keyPath: 'id'});
      leituras.createIndex('codigo', 'BECODIGO');
      leituras.createIndex('ordem', 'ordem');
      db.createObjectStore('vistos', {keyPath: 'BECODIGO'}).createIndex('local', 'BELOCAL');
    };
    req.onsuccess = () => resolve(new Armazem(req.result));
    req.onerror = () => reject(req.error);
  });
}

// Readings are kept with strict durability: the screen confirms a reading only
// once it is on disk.
const DURAVEL = {durability: 'strict'};

export class Armazem {
  constructor(db) {
    this.db = db;
  }

  fechar() {
    this.db.close();
  }

  async ajuste(chave) {
    return pedido(this.db.transaction('ajustes').objectStore('ajustes').get(chave));
  }

  async gravarAjustes(valores) {
    const tx = this.db.transaction('ajustes', 'readwrite', DURAVEL);
    const loja = tx.objectStore('ajustes');
    for (const [chave, valor] of Object.entries(valores)) {
      if (valor === undefined) loja.delete(chave);
      else loja.put(valor, chave);
    }
    return concluida(tx);
  }

  async todos(loja) {
    return pedido(this.db.transaction(loja).objectStore(loja).getAll());
  }

  async um(loja, chave) {
    return pedido(this.db.transaction(loja).objectStore(loja).get(chave));
  }

  async porLocal(loja, local) {
    const indice = this.db.transaction(loja).objectStore(loja).index('local');
    return pedido(indice.getAll(IDBKeyRange.only(local)));
  }

  async contar(loja) {
    return pedido(this.db.transaction(loja).objectStore(loja).count());
  }

  // A new load replaces the previous one in one transaction: operators,
  // conditions, locations, assets and the codes seen. Unsent readings stay.
  async guardarCarga(carga) {
    const tx = this.db.transaction(
        ['ajustes', 'operadores', 'situacoes', 'locais', 'bens', 'vistos'], 'readwrite',
        {durability: 'relaxed'});
    for (const loja of ['operadores', 'situacoes', 'locais', 'bens', 'vistos']) {
      tx.objectStore(loja).clear();
    }
    const operadores = tx.objectStore('operadores');
    for (const op of carga.operadores) operadores.put(op);
    const situacoes = tx.objectStore('situacoes');
    for (const [codigo, nome] of carga.status) situacoes.put({codigo, nome});
    const locais = tx.objectStore('locais');
    for (const [codigo, predio, departamento, sala] of carga.locais) {
      locais.put({codigo, predio, departamento, sala});
    }
    const bens = tx.objectStore('bens');
    const campos = carga.bens.campos;
    for (const linha of carga.bens.linhas) {
      const bem = {};
      for (let i = 0; i < campos.length; i++) bem[campos[i]] = linha[i];
      bens.put(bem);
    }
    const ajustes = tx.objectStore('ajustes');
    ajustes.put(carga.contagem, 'contagem');
    ajustes.put(carga.codificacao, 'codificacao');
    ajustes.put(carga.cego === true, 'cego');
    ajustes.delete('local');
    ajustes.delete('ultima');
    return concluida(tx);
  }

  async leiturasPendentes() {
    return pedido(this.db.transaction('leituras').objectStore('leituras').index('ordem').getAll());
  }

  async leituraPendenteDe(codigo) {
    const indice = this.db.transaction('leituras').objectStore('leituras').index('codigo');
    return pedido(indice.get(IDBKeyRange.only(codigo)));
  }

  // Stores a reading (new or changed) with the code it marks as seen and the
  // last reading for undo, in one durable transaction.
  async gravarLeitura(leitura, visto) {
    const tx = this.db.transaction(['leituras', 'vistos', 'ajustes'], 'readwrite', DURAVEL);
    tx.objectStore('leituras').put(leitura);
    tx.objectStore('vistos').put(visto);
    tx.objectStore('ajustes').put(leitura.id, 'ultima');
    return concluida(tx);
  }

  // Undoes the last reading: the earlier state of the reading, and of the seen
  // code, or neither when the reading was new.
  async desfazerLeitura(leitura) {
    const tx = this.db.transaction(['leituras', 'vistos', 'ajustes'], 'readwrite', DURAVEL);
    const anterior = leitura.anterior;
    if (anterior) {
      tx.objectStore('leituras').put(anterior.leitura);
      tx.objectStore('vistos').put(anterior.visto);
    } else {
      tx.objectStore('leituras').delete(leitura.id);
      if (leitura.vistoAnterior) tx.objectStore('vistos').put(leitura.vistoAnterior);
      else tx.objectStore('vistos').delete(leitura.BECODIGO);
    }
    tx.objectStore('ajustes').delete('ultima');
    return concluida(tx);
  }

  // Forgets the readings the desktop acknowledged, as they were sent. One
  // changed on the device while it was on its way is kept under a new
  // identifier, since the desktop already holds the old one.
  async esquecerLeituras(enviadas, novoId) {
    const tx = this.db.transaction(['leituras', 'ajustes'], 'readwrite', DURAVEL);
    const loja = tx.objectStore('leituras');
    const ajustes = tx.objectStore('ajustes');
    const ultima = await pedido(ajustes.get('ultima'));
    for (const enviada of enviadas) {
      const req = loja.get(enviada.id);
      req.onsuccess = () => {
        const atual = req.result;
        if (!atual) return;
        loja.delete(enviada.id);
        if (atual.versao !== enviada.versao) {
          const nova = {...atual, id: novoId(), anterior: undefined};
          loja.put(nova);
          if (ultima === enviada.id) ajustes.put(nova.id, 'ultima');
        } else if (ultima === enviada.id) {
          ajustes.delete('ultima');
        }
      };
    }
    return concluida(tx);
  }
}

// The records of a load as the app keeps them, for the benchmark's bare insert.
export function bensDaCarga(carga) {
  const campos = carga.bens.campos;
  return carga.bens.linhas.map((linha) => {
    const bem = {};
    for (let i = 0; i < campos.length; i++) bem[campos[i]] = linha[i];
    return bem;
  });
}
