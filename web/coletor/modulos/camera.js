// Reading codes with the camera: the browser's BarcodeDetector when it decodes
// EAN-13, EAN-8 and Code 128, else the WebAssembly decoder that the desktop
// serves under /decodificador/ (nothing is ever fetched from elsewhere).

const FORMATOS_NATIVOS = ['ean_13', 'ean_8', 'code_128'];
const FORMATOS_DECODIFICADOR = ['EAN13', 'EAN8', 'Code128'];
const INTERVALO_MS = 120;
const REPETICAO_MS = 2500;

async function detectorNativo() {
  if (!('BarcodeDetector' in window)) return null;
  try {
    const suportados = await window.BarcodeDetector.getSupportedFormats();
    if (!FORMATOS_NATIVOS.every((f) => suportados.includes(f))) return null;
    const detector = new window.BarcodeDetector({formats: FORMATOS_NATIVOS});
    return async (quadro) => (await detector.detect(quadro)).map((r) => r.rawValue);
  } catch {
    return null;
  }
}

let decodificador = null;

async function detectorWasm() {
  if (!decodificador) {
    decodificador = import('/decodificador/reader/index.js').then((modulo) => {
      modulo.prepareZXingModule({
        overrides: {locateFile: (arquivo) => `/decodificador/reader/${arquivo}`},
      });
      return modulo;
    });
  }
  const modulo = await decodificador;
  const opcoes = {formats: FORMATOS_DECODIFICADOR, tryHarder: true, maxNumberOfSymbols: 1};
  return async (quadro) => (await modulo.readBarcodes(quadro, opcoes))
                               .filter((r) => r.isValid)
                               .map((r) => r.text);
}

export class Camera {
  // aoLer(codigo) is called once per code shown; the same code is read again
  // only after it has left the picture for a while.
  constructor(video, aoLer) {
    this.video = video;
    this.aoLer = aoLer;
    this.fluxo = null;
    this.temporizador = null;
    this.ultimo = {codigo: null, quando: 0};
    this.tela = document.createElement('canvas');
  }

  get ligada() {
    return this.fluxo !== null;
  }

  async ligar() {
    if (!window.isSecureContext || !navigator.mediaDevices) {
      throw new Error('A câmera só funciona com o endereço seguro (https) do coletor.');
    }
    const nativo = await detectorNativo();
    const detectar = nativo || (await detectorWasm());
    try {
      this.fluxo = await navigator.mediaDevices.getUserMedia(
          {video: {facingMode: 'environment', width: {ideal: 1280}}, audio: false});
    } catch {
      throw new Error('Não foi possível abrir a câmera.');
    }
    this.video.srcObject = this.fluxo;
    await this.video.play();
    const passo = async () => {
      if (!this.fluxo) return;
      try {
        for (const codigo of await detectar(nativo ? this.video : this.quadro())) {
          this.notar(codigo);
        }
      } catch {
        // A frame the decoder cannot take: the next one may do.
      }
      if (this.fluxo) this.temporizador = setTimeout(passo, INTERVALO_MS);
    };
    passo();
  }

  quadro() {
    const {videoWidth: largura, videoHeight: altura} = this.video;
    this.tela.width = largura;
    this.tela.height = altura;
    const contexto = this.tela.getContext('2d', {willReadFrequently: true});
    contexto.drawImage(this.video, 0, 0, largura, altura);
    return contexto.getImageData(0, 0, largura, altura);
  }

  notar(codigo) {
    const agora = Date.now();
    const repetido = codigo === this.ultimo.codigo && agora - this.ultimo.quando < REPETICAO_MS;
    this.ultimo = {codigo, quando: agora};
    if (!repetido) this.aoLer(codigo);
  }

  desligar() {
    clearTimeout(this.temporizador);
    if (this.fluxo) {
      for (const faixa of this.fluxo.getTracks()) faixa.stop();
    }
    this.fluxo = null;
    this.video.srcObject = null;
  }
}
