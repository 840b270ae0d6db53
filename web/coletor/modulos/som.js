// Sound and vibration for success and error, where the device has them.

let contexto = null;

// Browsers start audio only after a gesture: the first touch or key makes it.
export function prepararSom() {
  if (contexto || !window.AudioContext) return;
  try {
    contexto = new AudioContext();
  } catch {
    contexto = null;
  }
}

function bipe(frequencia, inicio, duracao) {
  const oscilador = contexto.createOscillator();
  const volume = contexto.createGain();
  oscilador.type = 'square';
  oscilador.frequency.value = frequencia;
  volume.gain.value = 0.15;
  oscilador.connect(volume).connect(contexto.destination);
  const agora = contexto.currentTime + inicio;
  oscilador.start(agora);
  oscilador.stop(agora + duracao);
}

export function sinalizar(sucesso) {
  if (contexto) {
    if (contexto.state === 'suspended') contexto.resume().catch(() => {});
    if (sucesso) {
      bipe(1760, 0, 0.08);
    } else {
      bipe(330, 0, 0.18);
      bipe(330, 0.25, 0.18);
    }
  }
  if (navigator.vibrate) navigator.vibrate(sucesso ? 60 : [200, 100, 200]);
}
