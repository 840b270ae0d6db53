// The check digit the handheld refuses on the spot, against the desktop's rule:
// only an unknown code of the coding's length is checked.
import assert from 'node:assert/strict';
import {test} from 'node:test';

import {digitosDaCodificacao, falhaDigitoVerificador, limparCodigo} from '../../web/coletor/modulos/codigo.js';

test('EAN-13 and EAN-8 codes of the coding length are checked', () => {
  assert.equal(falhaDigitoVerificador('7891000100103', 2), false);
  assert.equal(falhaDigitoVerificador('7891000100104', 2), true);
  assert.equal(falhaDigitoVerificador('96385074', 1), false);
  assert.equal(falhaDigitoVerificador('96385075', 1), true);
  assert.equal(falhaDigitoVerificador('4006381333931', 'EAN13'), false);
  assert.equal(falhaDigitoVerificador('789100010010X', 2), true);
});

test('other lengths and no coding pass', () => {
  assert.equal(falhaDigitoVerificador('96385075', 2), false);
  assert.equal(falhaDigitoVerificador('7891000100104', 1), false);
  assert.equal(falhaDigitoVerificador('7891000100104', 0), false);
  assert.equal(falhaDigitoVerificador('7891000100104', null), false);
  assert.deepEqual([0, 1, 2, 'EAN8', 'EAN13', ''].map(digitosDaCodificacao), [0, 8, 13, 8, 13, 0]);
});

test('a wedge scanner\'s control characters and blanks are dropped', () => {
  assert.equal(limparCodigo(' \u0002PAT-0042\r\n'), 'PAT-0042');
});
