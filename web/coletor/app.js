// The handheld in the browser: pairing, load, operator login and the count of
// each location, kept in IndexedDB so that nothing read is lost offline.

import {chamar, ErroApi} from './modulos/api.js';
import {abrir} from './modulos/armazem.js';
import {Camera} from './modulos/camera.js';
import {falhaDigitoVerificador, limparCodigo, nomeDaCodificacao} from './modulos/codigo.js';
import {senhaConfere} from './modulos/senha.js';
import {prepararSom, sinalizar} from './modulos/som.js';

const MAX_POR_ENVIO = 20000;
const MAX_NA_LISTA = 100;
const CAMPOS_ENVIADOS = ['id', 'BECODIGO', 'BELOCAL', 'BESITUACAO', 'BENSERIE', 'BEULTOPE',
                         'BEULTINV', 'BENOME', 'BEFABRICA', 'BEVALOR', 'BECOMPRA'];

const $ = (id) => document.getElementById(id);

const estado = {
  armazem: null,
  token: null,
  contagem: null,
  cego: false,
  codificacao: null,
  operador: null,
  local: null,
  locais: new Map(),
  situacoes: [],
  pendentes: 0,
  enviando: false,
  lidos: [],            // seen codes of the current location, newest first
  esperados: new Map(), // assets of the current location not yet seen
  ordem: 0,
  camera: null,
};

// ---- screen and messages ------------------------------------------------

function mostrarTela(nome) {
  for (const tela of document.querySelectorAll('.tela')) tela.hidden = tela.id !== `tela-${nome}`;
  document.body.dataset.tela = nome;
  if (nome !== 'leitura' && estado.camera) estado.camera.desligar();
  if (nome === 'leitura') focarLeitor();
}

function avisar(texto, sucesso = true) {
  const caixa = $('mensagem');
  caixa.textContent = texto;
  caixa.className = sucesso ? 'mensagem ok' : 'mensagem erro';
  caixa.hidden = false;
  sinalizar(sucesso);
}

function limparAviso() {
  $('mensagem').hidden = true;
}

function focarLeitor() {
  if (document.body.dataset.tela !== 'leitura' || $('dialogo-bem').open) return;
  const leitor = $('leitor');
  if (document.activeElement !== leitor) leitor.focus({preventScroll: true});
}

async function atualizarPendentes() {
  estado.pendentes = await estado.armazem.contar('leituras');
  $('pendentes').textContent = `Não enviadas: ${estado.pendentes}`;
  $('pendentes').classList.toggle('ha-pendentes', estado.pendentes > 0);
}

function hoje() {
  const d = new Date();
  const dois = (n) => String(n).padStart(2, '0');
  return `${d.getFullYear()}-${dois(d.getMonth() + 1)}-${dois(d.getDate())}`;
}

function proximaOrdem() {
  estado.ordem = Math.max(estado.ordem + 1, Date.now());
  return estado.ordem;
}

function descricaoDoLocal(local) {
  return [local.predio, local.departamento, local.sala].filter((t) => t).join(' · ');
}

// An error of the API: an unpaired or revoked device goes back to pairing.
async function tratarErro(erro) {
  if (erro instanceof ErroApi && erro.status === 401) {
    estado.token = null;
    await estado.armazem.gravarAjustes({token: undefined});
    mostrarTela('pareamento');
  }
  avisar(erro.message, false);
}

// ---- pairing ------------------------------------------------------------

async function parear(evento) {
  evento.preventDefault();
  const codigo = $('codigo-pareamento').value.trim();
  const nome = $('nome-coletor').value.trim();
  try {
    const resposta = await chamar('pair', {corpo: {codigo, nome}});
    estado.token = resposta.token;
    await estado.armazem.gravarAjustes(
        {token: resposta.token, dispositivo: resposta.dispositivo, nome: resposta.nome});
    history.replaceState(null, '', location.pathname);
    avisar(`Coletor pareado como "${resposta.nome}".`);
    await abrirCarga();
  } catch (erro) {
    avisar(erro.message, false);
  }
}

// ---- load ---------------------------------------------------------------

async function abrirCarga() {
  let resposta;
  try {
    resposta = await chamar('locais', {token: estado.token});
  } catch (erro) {
    await tratarErro(erro);
    return;
  }
  const lista = $('lista-locais');
  lista.replaceChildren();
  for (const [codigo, predio, departamento, sala, marcado] of resposta.locais) {
    const rotulo = document.createElement('label');
    rotulo.className = 'opcao';
    const caixa = document.createElement('input');
    caixa.type = 'checkbox';
    caixa.name = 'local';
    caixa.value = codigo;
    caixa.checked = marcado;
    const texto = document.createElement('span');
    texto.textContent = `${codigo} ${descricaoDoLocal({predio, departamento, sala})}`;
    rotulo.append(caixa, texto);
    lista.append(rotulo);
  }
  $('carga-cancelar').hidden = estado.contagem === null;
  mostrarTela('carga');
}

async function carregar(evento) {
  evento.preventDefault();
  const locais = Array.from(document.querySelectorAll('#lista-locais input:checked'), (c) => c.value);
  if (locais.length === 0) {
    avisar('Escolha ao menos um local.', false);
    return;
  }
  try {
    const carga = await chamar('carga', {token: estado.token, corpo: {locais}});
    await estado.armazem.guardarCarga(carga);
    await lerCarga();
    estado.operador = null;
    await estado.armazem.gravarAjustes({operador: undefined});
    avisar(`Carga recebida: ${carga.bens.linhas.length} bens em ${carga.locais.length} locais.`);
    await abrirLogin();
  } catch (erro) {
    await tratarErro(erro);
  }
}

async function lerCarga() {
  const armazem = estado.armazem;
  estado.contagem = (await armazem.ajuste('contagem')) ?? null;
  estado.codificacao = (await armazem.ajuste('codificacao')) ?? null;
  // A blind inventory's load says nothing of where assets are expected.
  estado.cego = (await armazem.ajuste('cego')) === true;
  estado.locais = new Map((await armazem.todos('locais')).map((l) => [l.codigo, l]));
  estado.situacoes = await armazem.todos('situacoes');
  estado.local = null;
}

// ---- operator -----------------------------------------------------------

async function abrirLogin() {
  const operadores = await estado.armazem.todos('operadores');
  const lista = $('operador');
  lista.replaceChildren();
  for (const op of operadores) {
    const opcao = document.createElement('option');
    opcao.value = op.codigo;
    opcao.textContent = op.nome;
    lista.append(opcao);
  }
  $('senha').value = '';
  mostrarTela('login');
  lista.focus();
}

async function entrar(evento) {
  evento.preventDefault();
  const operador = await estado.armazem.um('operadores', $('operador').value);
  const senha = $('senha').value;
  $('senha').value = '';
  if (!operador || !(await senhaConfere(operador, senha))) {
    avisar('Operador ou senha incorretos.', false);
    return;
  }
  estado.operador = {codigo: operador.codigo, nome: operador.nome};
  await estado.armazem.gravarAjustes({operador: estado.operador});
  limparAviso();
  await abrirLeitura();
}

// ---- count of a location -------------------------------------------------

async function abrirLeitura() {
  $('operador-atual').textContent = `Operador: ${estado.operador.nome}`;
  const local = await estado.armazem.ajuste('local');
  if (local && estado.locais.has(local)) await entrarNoLocal(local, false);
  else mostrarLocal();
  mostrarTela('leitura');
}

function mostrarLocal() {
  const local = estado.locais.get(estado.local);
  $('local-atual').textContent = local ? `Local ${local.codigo} ${descricaoDoLocal(local)}`
                                       : 'Leia o código do local';
  $('rotulo-leitor').textContent = local ? 'Leia ou digite o código do bem' : 'Leia ou digite o código do local';
  $('trocar-local').hidden = !local;
  $('titulo-lidos').hidden = !local;
  $('titulo-esperados').hidden = $('esperados').hidden = !local || estado.cego;
  if (!local) {
    $('lidos').replaceChildren();
    $('esperados').replaceChildren();
    $('ultima').hidden = true;
  }
}

async function entrarNoLocal(codigo, avisando = true) {
  const armazem = estado.armazem;
  const [bens, vistos, lidos] = await Promise.all(
      [armazem.porLocal('bens', codigo), armazem.todos('vistos'), armazem.porLocal('vistos', codigo)]);
  const vistosCodigos = new Set(vistos.map((v) => v.BECODIGO));
  estado.local = codigo;
  estado.esperados = new Map(bens.filter((b) => !vistosCodigos.has(b.BECODIGO)).map((b) => [b.BECODIGO, b]));
  estado.lidos = lidos.sort((a, b) => b.ordem - a.ordem);
  await armazem.gravarAjustes({local: codigo});
  mostrarLocal();
  desenharListas();
  if (avisando) {
    avisar(estado.cego ? `Local ${codigo}.` : `Local ${codigo}: ${estado.esperados.size} bens esperados.`);
  }
}

function itemDaLista(texto, aoEscolher) {
  const item = document.createElement('li');
  if (aoEscolher) {
    const botao = document.createElement('button');
    botao.type = 'button';
    botao.className = 'item';
    botao.textContent = texto;
    botao.addEventListener('click', aoEscolher);
    item.append(botao);
  } else {
    item.textContent = texto;
  }
  return item;
}

function desenharLista(lista, itens, paraItem) {
  const elementos = itens.slice(0, MAX_NA_LISTA).map(paraItem);
  if (itens.length > MAX_NA_LISTA) elementos.push(itemDaLista(`… e mais ${itens.length - MAX_NA_LISTA}`));
  lista.replaceChildren(...elementos);
}

function desenharListas() {
  $('titulo-lidos').textContent = `Lidos neste local (${estado.lidos.length})`;
  $('titulo-esperados').textContent = `Esperados ainda não lidos (${estado.esperados.size})`;
  desenharLista($('lidos'), estado.lidos,
                (v) => itemDaLista(`${v.BECODIGO} ${v.BENOME || ''}`, () => editar(v.BECODIGO)));
  desenharLista($('esperados'), Array.from(estado.esperados.values()),
                (b) => itemDaLista(`${b.BECODIGO} ${b.BENOME || ''}`));
}

async function lerCodigo(evento) {
  evento.preventDefault();
  prepararSom();
  const leitor = $('leitor');
  const codigo = limparCodigo(leitor.value);
  leitor.value = '';
  if (codigo) await enfileirar(codigo);
  focarLeitor();
}

// Codes are handled one after the other: a scanner that sends two codes in
// quick succession must not make two readings of one asset.
let fila = Promise.resolve();
function enfileirar(codigo) {
  fila = fila.then(() => processar(codigo)).catch((erro) => avisar(erro.message, false));
  return fila;
}

async function processar(codigo) {
  if (estado.local === null) {
    if (estado.locais.has(codigo)) await entrarNoLocal(codigo);
    else avisar(`O local ${codigo} não está na carga deste coletor.`, false);
    return;
  }
  if (codigo.length > 13) {
    avisar(`Código ${codigo} com mais de 13 caracteres: não é um código de bem.`, false);
    return;
  }
  const bem = await estado.armazem.um('bens', codigo);
  if (!bem && estado.locais.has(codigo)) {
    await entrarNoLocal(codigo);
    return;
  }
  const pendente = await estado.armazem.leituraPendenteDe(codigo);
  if (bem) {
    await registrar(codigo, {
      BESITUACAO: pendente ? pendente.BESITUACAO : bem.BESITUACAO,
      BENSERIE: pendente ? pendente.BENSERIE : bem.BENSERIE,
    }, bem);
    return;
  }
  if (falhaDigitoVerificador(codigo, estado.codificacao)) {
    avisar(`Código ${codigo} inválido no ${nomeDaCodificacao(estado.codificacao)}: ` +
           'o dígito verificador não confere. Leia de novo.', false);
    return;
  }
  if (pendente) {
    await registrar(codigo, {BENOME: pendente.BENOME, BESITUACAO: pendente.BESITUACAO,
                             BENSERIE: pendente.BENSERIE}, null);
    return;
  }
  const campos = await perguntar({titulo: 'Bem novo', codigo, nome: '', situacao: null, serie: null});
  if (campos) await registrar(codigo, campos, null);
  else avisar(`Leitura de ${codigo} cancelada.`, false);
}

// Stores the reading of a code in the current location, then shows it: a new
// reading, or the unsent one of the same code changed.
async function registrar(codigo, campos, bem) {
  const armazem = estado.armazem;
  const [pendente, visto] = await Promise.all([armazem.leituraPendenteDe(codigo), armazem.um('vistos', codigo)]);
  const base = {
    BECODIGO: codigo,
    BELOCAL: estado.local,
    BESITUACAO: campos.BESITUACAO ?? null,
    BENSERIE: campos.BENSERIE ?? null,
    BEULTOPE: estado.operador.nome,
    BEULTINV: hoje(),
    BENOME: bem ? null : (campos.BENOME ?? null),
    BEFABRICA: null,
    BEVALOR: null,
    BECOMPRA: null,
    ordem: proximaOrdem(),
  };
  let leitura;
  const notas = [];
  if (pendente) {
    const {anterior: _, ...semHistoria} = pendente;
    leitura = {...pendente, ...base, versao: pendente.versao + 1,
               anterior: {leitura: semHistoria, visto}};
    notas.push('lido de novo: leitura atualizada');
  } else {
    leitura = {id: crypto.randomUUID(), contagem: estado.contagem, ...base, versao: 1,
               vistoAnterior: visto};
    if (visto) notas.push('já enviado nesta contagem: nova leitura registrada');
  }
  const descricao = bem ? bem.BENOME : leitura.BENOME;
  const novoVisto = {BECODIGO: codigo, BELOCAL: estado.local, BENOME: descricao, ordem: leitura.ordem};
  await armazem.gravarLeitura(leitura, novoVisto);

  if (bem && !estado.cego && bem.BELOCAL !== estado.local) {
    notas.push(`pertence a outro local: ${bem.BELOCAL ?? 'sem local'}`);
  }
  if (!bem) notas.push('bem novo');
  estado.esperados.delete(codigo);
  estado.lidos = [novoVisto, ...estado.lidos.filter((v) => v.BECODIGO !== codigo)];
  desenharListas();
  mostrarUltima(leitura, descricao, notas);
  avisar(`${codigo} ${descricao || ''}${notas.length ? ' — ' + notas.join('; ') : ''}`.trim());
  await atualizarPendentes();
}

function mostrarUltima(leitura, descricao, notas) {
  const cartao = $('ultima');
  const situacao = estado.situacoes.find((s) => s.codigo === leitura.BESITUACAO);
  const linhas = [
    `${leitura.BECODIGO} ${descricao || ''}`,
    `Situação: ${situacao ? situacao.nome : (leitura.BESITUACAO || '—')}  Série: ${leitura.BENSERIE || '—'}`,
    ...notas,
  ];
  cartao.replaceChildren(...linhas.map((t) => {
    const p = document.createElement('p');
    p.textContent = t;
    return p;
  }));
  cartao.hidden = false;
}

async function editar(codigo) {
  const armazem = estado.armazem;
  const [bem, pendente] = await Promise.all([armazem.um('bens', codigo), armazem.leituraPendenteDe(codigo)]);
  const origem = pendente || bem || {};
  const campos = await perguntar({
    titulo: 'Alterar leitura', codigo,
    nome: bem ? null : (origem.BENOME ?? ''),
    situacao: origem.BESITUACAO ?? null,
    serie: origem.BENSERIE ?? null,
  });
  if (campos) await registrar(codigo, campos, bem || null);
  focarLeitor();
}

async function desfazer() {
  const armazem = estado.armazem;
  const id = await armazem.ajuste('ultima');
  const leitura = id ? await armazem.um('leituras', id) : null;
  if (!leitura) {
    avisar('Nada a desfazer: a última leitura já foi enviada ou desfeita.', false);
    return;
  }
  await armazem.desfazerLeitura(leitura);
  if (estado.local !== null) await entrarNoLocal(estado.local, false);
  $('ultima').hidden = true;
  avisar(`Leitura de ${leitura.BECODIGO} desfeita.`);
  await atualizarPendentes();
}

// ---- the asset dialog ----------------------------------------------------

function perguntar({titulo, codigo, nome, situacao, serie}) {
  const dialogo = $('dialogo-bem');
  $('dialogo-titulo').textContent = titulo;
  $('dialogo-codigo').textContent = `Código ${codigo}`;
  const novo = nome !== null;
  $('rotulo-nome').hidden = !novo;
  $('bem-nome').value = nome ?? '';
  $('bem-nome').required = novo;
  const lista = $('bem-situacao');
  lista.replaceChildren();
  const vazia = document.createElement('option');
  vazia.value = '';
  vazia.textContent = '(sem situação)';
  lista.append(vazia);
  for (const s of estado.situacoes) {
    const opcao = document.createElement('option');
    opcao.value = s.codigo;
    opcao.textContent = `${s.codigo} ${s.nome}`;
    lista.append(opcao);
  }
  lista.value = situacao ?? '';
  $('bem-serie').value = serie ?? '';
  return new Promise((resolve) => {
    const fim = (valores) => {
      $('form-bem').removeEventListener('submit', salvar);
      $('bem-cancelar').removeEventListener('click', cancelar);
      dialogo.removeEventListener('cancel', cancelar);
      dialogo.close();
      resolve(valores);
      focarLeitor();
    };
    const salvar = (evento) => {
      evento.preventDefault();
      const texto = (id) => $(id).value.trim() || null;
      fim({BENOME: novo ? texto('bem-nome') : undefined, BESITUACAO: lista.value || null,
           BENSERIE: texto('bem-serie')});
    };
    const cancelar = (evento) => {
      evento.preventDefault();
      fim(null);
    };
    $('form-bem').addEventListener('submit', salvar);
    $('bem-cancelar').addEventListener('click', cancelar);
    dialogo.addEventListener('cancel', cancelar);
    dialogo.showModal();
    (novo ? $('bem-nome') : lista).focus();
  });
}

// ---- sending -------------------------------------------------------------

// Sends the unsent readings, count by count, and forgets those the desktop
// acknowledged. Nothing is forgotten on an error of the whole request.
async function enviar() {
  if (estado.enviando || !estado.armazem) return;
  prepararSom();
  if (!estado.token) {
    avisar('Pareie o coletor antes de enviar.', false);
    return;
  }
  estado.enviando = true;
  $('enviar').disabled = true;
  const total = {'aplicada': 0, 'em revisão': 0, 'já recebida': 0, 'recusada': 0};
  const recusas = [];
  try {
    const leituras = await estado.armazem.leiturasPendentes();
    if (leituras.length === 0) {
      avisar('Nenhuma leitura a enviar.');
      return;
    }
    const porContagem = new Map();
    for (const l of leituras) {
      if (!porContagem.has(l.contagem)) porContagem.set(l.contagem, []);
      porContagem.get(l.contagem).push(l);
    }
    for (const [contagem, grupo] of porContagem) {
      for (let i = 0; i < grupo.length; i += MAX_POR_ENVIO) {
        const lote = grupo.slice(i, i + MAX_POR_ENVIO);
        const corpo = {contagem, leituras: lote.map((l) => Object.fromEntries(CAMPOS_ENVIADOS.map((c) => [c, l[c] ?? null])))};
        const resposta = await chamar('descarga', {token: estado.token, corpo});
        const respondidas = new Map(resposta.leituras.map((r) => [r.id, r]));
        await estado.armazem.esquecerLeituras(lote.filter((l) => respondidas.has(l.id)),
                                              () => crypto.randomUUID());
        for (const r of respondidas.values()) {
          if (r.estado in total) total[r.estado]++;
          if (r.estado === 'recusada') recusas.push(r.mensagem);
        }
      }
    }
    const partes = [`${total['aplicada']} aplicadas`];
    if (total['em revisão']) partes.push(`${total['em revisão']} em revisão`);
    if (total['já recebida']) partes.push(`${total['já recebida']} já recebidas`);
    if (total['recusada']) partes.push(`${total['recusada']} recusadas`);
    avisar(`Leituras enviadas: ${partes.join(', ')}.${recusas.length ? ' ' + recusas.join(' ') : ''}`,
           recusas.length === 0);
  } catch (erro) {
    await tratarErro(erro);
  } finally {
    estado.enviando = false;
    $('enviar').disabled = false;
    await atualizarPendentes();
    focarLeitor();
  }
}

// ---- camera and typing ---------------------------------------------------

async function alternarCamera() {
  prepararSom();
  if (!estado.camera) {
    estado.camera = new Camera($('video'), (codigo) => {
      if (!$('dialogo-bem').open) enfileirar(limparCodigo(codigo));
    });
  }
  if (estado.camera.ligada) {
    estado.camera.desligar();
    $('painel-camera').hidden = true;
    $('camera').textContent = 'Câmera';
  } else {
    $('painel-camera').hidden = false;
    try {
      await estado.camera.ligar();
      $('camera').textContent = 'Fechar câmera';
    } catch (erro) {
      estado.camera.desligar();
      $('painel-camera').hidden = true;
      avisar(erro.message, false);
    }
  }
  focarLeitor();
}

function alternarDigitacao() {
  const leitor = $('leitor');
  const digitando = leitor.inputMode !== 'none';
  leitor.inputMode = digitando ? 'none' : 'text';
  $('digitar').textContent = digitando ? 'Digitar' : 'Ocultar teclado';
  leitor.blur();
  leitor.focus();
}

// ---- start-up ------------------------------------------------------------

function registrarTrabalhador() {
  const aviso = $('aviso-aba');
  if (!window.isSecureContext || !('serviceWorker' in navigator)) {
    aviso.hidden = false;
    return;
  }
  navigator.serviceWorker.register('/sw.js').then(() => {
    aviso.hidden = true;
  }, () => {
    aviso.hidden = false;
  });
}

// The QR code shown on the desktop is the address with "#codigo=NNNNNN".
function codigoDoEndereco() {
  const codigo = /^#codigo=(\d{6})$/.exec(location.hash);
  if (codigo) $('codigo-pareamento').value = codigo[1];
}

async function iniciar() {
  const armazem = await abrir();
  estado.armazem = armazem;
  if (navigator.storage && navigator.storage.persist) navigator.storage.persist().catch(() => {});
  estado.token = (await armazem.ajuste('token')) ?? null;
  await lerCarga();
  estado.operador = (await armazem.ajuste('operador')) ?? null;
  $('nome-coletor').value = (await armazem.ajuste('nome')) ?? '';
  codigoDoEndereco();
  window.addEventListener('hashchange', codigoDoEndereco);

  $('form-pareamento').addEventListener('submit', parear);
  $('form-carga').addEventListener('submit', carregar);
  $('carga-cancelar').addEventListener('click', () => (estado.operador ? abrirLeitura() : abrirLogin()));
  $('form-login').addEventListener('submit', entrar);
  $('login-carga').addEventListener('click', abrirCarga);
  $('form-leitor').addEventListener('submit', lerCodigo);
  $('enviar').addEventListener('click', enviar);
  $('desfazer').addEventListener('click', () => desfazer().finally(focarLeitor));
  $('camera').addEventListener('click', alternarCamera);
  $('digitar').addEventListener('click', alternarDigitacao);
  $('trocar-local').addEventListener('click', async () => {
    estado.local = null;
    await armazem.gravarAjustes({local: undefined});
    mostrarLocal();
    focarLeitor();
  });
  $('trocar-operador').addEventListener('click', async () => {
    estado.operador = null;
    await armazem.gravarAjustes({operador: undefined});
    await abrirLogin();
  });
  $('nova-carga').addEventListener('click', abrirCarga);
  document.addEventListener('click', (evento) => {
    if (!evento.target.closest('input, select, textarea, dialog')) focarLeitor();
  });
  document.addEventListener('keydown', prepararSom, {once: true});
  window.addEventListener('beforeunload', (evento) => {
    if (estado.pendentes > 0) {
      evento.preventDefault();
      evento.returnValue = '';
    }
  });

  registrarTrabalhador();
  await atualizarPendentes();
  if (!estado.token) {
    mostrarTela('pareamento');
    $('codigo-pareamento').focus();
  } else if (estado.contagem === null) {
    await abrirCarga();
  } else if (!estado.operador) {
    await abrirLogin();
  } else {
    await abrirLeitura();
  }
  document.body.dataset.pronto = '1';
}

iniciar().catch((erro) => {
  avisar(`O coletor não pôde abrir seus dados: ${erro.message}`, false);
});
