// The operator's password, checked on the device against the salted PBKDF2
// hash that the load carries (the password itself never leaves the desktop).

function deHex(texto) {
  const bytes = new Uint8Array(texto.length / 2);
  for (let i = 0; i < bytes.length; i++) bytes[i] = parseInt(texto.substr(i * 2, 2), 16);
  return bytes;
}

function paraHex(buffer) {
  return Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, '0')).join('');
}

export async function hashDaSenha(senha, salHex, iteracoes) {
  const chave = await crypto.subtle.importKey(
    'raw', new TextEncoder().encode(senha), 'PBKDF2', false, ['deriveBits']);
  const bits = await crypto.subtle.deriveBits(
    {name: 'PBKDF2', hash: 'SHA-256', salt: deHex(salHex), iterations: iteracoes}, chave, 256);
  return paraHex(bits);
}

// Whether the password opens the operator: one without a password (hash null)
// opens with an empty one only.
export async function senhaConfere(operador, senha) {
  if (operador.hash === null || operador.hash === undefined) return senha === '';
  const calculado = await hashDaSenha(senha, operador.sal, operador.iteracoes);
  if (calculado.length !== operador.hash.length) return false;
  let diferenca = 0;
  const esperado = operador.hash.toLowerCase();
  for (let i = 0; i < calculado.length; i++) {
    diferenca |= calculado.charCodeAt(i) ^ esperado.charCodeAt(i);
  }
  return diferenca === 0;
}
