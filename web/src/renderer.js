// Draws the board with WebGL2. Finished strokes are drawn once into cached tiles (textures
// covering the canvas), and a tile is drawn again only when a stroke under it changed; each
// frame draws the tiles and only the strokes in progress over them. Strokes come as the
// module builds them: triangle strips in canvas units (y up) with r, g, b, a per vertex.
const TILE = 256; // device pixels a side

const INK_VS = `#version 300 es
in vec2 a_pos;
in vec4 a_colour;
uniform float u_zoom;
uniform vec2 u_pan;    // pan less half the viewport, canvas units
uniform vec2 u_half;   // half the viewport, pixels
uniform vec2 u_origin; // the target's lower left corner on the screen, pixels (y up)
uniform vec2 u_size;   // the target's size, pixels
out vec4 v_colour;
void main() {
  vec2 screen = (a_pos + u_pan) * u_zoom + u_half;
  gl_Position = vec4((screen - u_origin) / u_size * 2.0 - 1.0, 0.0, 1.0);
  v_colour = vec4(a_colour.rgb * a_colour.a, a_colour.a);
}`;
const INK_FS = `#version 300 es
precision mediump float;
in vec4 v_colour;
out vec4 colour;
void main() { colour = v_colour; }`;
const TILE_VS = `#version 300 es
in vec2 a_corner;
uniform vec2 u_origin;
uniform vec2 u_size;
uniform vec2 u_screen;
out vec2 v_uv;
void main() {
  v_uv = a_corner;
  gl_Position = vec4((u_origin + a_corner * u_size) / u_screen * 2.0 - 1.0, 0.0, 1.0);
}`;
const TILE_FS = `#version 300 es
precision mediump float;
in vec2 v_uv;
uniform sampler2D u_tile;
out vec4 colour;
void main() { colour = texture(u_tile, v_uv); }`;

export class Renderer {
  constructor(canvas) {
    this.canvas = canvas;
    // A low-latency canvas: frames go to the screen without waiting for the page's compositor.
    const gl = canvas.getContext('webgl2', { desynchronized: true, alpha: false, antialias: true });
    if (!gl) throw new Error('this browser has no WebGL2');
    this.gl = gl;
    this.ink = program(gl, INK_VS, INK_FS);
    this.tileProgram = program(gl, TILE_VS, TILE_FS);
    this.strokes = new Map(); // id -> { x0, y0, x1, y1, count, pos, col }
    this.tiles = [];
    this.stream = { pos: gl.createBuffer(), col: gl.createBuffer() };
    this.quad = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, this.quad);
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([0, 0, 1, 0, 0, 1, 1, 1]), gl.STATIC_DRAW);
    this.vao = gl.createVertexArray();
    this.view = null;
  }

  // The canvas is `view.width` x `view.height` device pixels, the page mapped by `view`
  // (zoom, panX, panY as the module's view): every tile is drawn again.
  resize(view) {
    const gl = this.gl;
    this.view = view;
    for (const t of this.tiles) { gl.deleteTexture(t.texture); gl.deleteFramebuffer(t.framebuffer); }
    this.tiles = [];
    for (let y = 0; y < view.height; y += TILE) {
      for (let x = 0; x < view.width; x += TILE) {
        const texture = gl.createTexture();
        gl.bindTexture(gl.TEXTURE_2D, texture);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, TILE, TILE, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
        const framebuffer = gl.createFramebuffer();
        gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
        gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
        this.tiles.push({ x, y, texture, framebuffer, dirty: true, box: this.canvasBox(x, y) });
      }
    }
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
  }

  // The canvas-unit box a screen tile at (x, y) shows.
  canvasBox(x, y) {
    const v = this.view;
    const toCanvas = (sx, half, pan) => (sx - half) / v.zoom - pan + half;
    return {
      x0: toCanvas(x, v.width / 2, v.panX), x1: toCanvas(x + TILE, v.width / 2, v.panX),
      y0: toCanvas(y, v.height / 2, v.panY), y1: toCanvas(y + TILE, v.height / 2, v.panY),
    };
  }

  // Takes in the module's finishedChanges(): the strokes' outlines go to the graphics card
  // at once (the module's memory backs them only until its next call), and the tiles under
  // their old and new places are drawn again.
  update(changes) {
    const gl = this.gl;
    for (const id of changes.removed) {
      const s = this.strokes.get(id);
      if (!s) continue;
      this.markDirty(s);
      gl.deleteBuffer(s.pos);
      gl.deleteBuffer(s.col);
      this.strokes.delete(id);
    }
    for (const c of changes.changed) {
      let s = this.strokes.get(c.id);
      if (s) this.markDirty(s);
      else s = { pos: gl.createBuffer(), col: gl.createBuffer() };
      Object.assign(s, { x0: c.x0, y0: c.y0, x1: c.x1, y1: c.y1, count: c.count });
      gl.bindBuffer(gl.ARRAY_BUFFER, s.pos);
      gl.bufferData(gl.ARRAY_BUFFER, c.vertices, gl.STATIC_DRAW);
      gl.bindBuffer(gl.ARRAY_BUFFER, s.col);
      gl.bufferData(gl.ARRAY_BUFFER, c.colours, gl.STATIC_DRAW);
      this.strokes.set(c.id, s);
      this.markDirty(s);
    }
  }

  markDirty(s) {
    for (const t of this.tiles) {
      if (!t.dirty && overlaps(t.box, s)) t.dirty = true;
    }
  }

  useInk(originX, originY, width, height) {
    const gl = this.gl, p = this.ink, v = this.view;
    gl.useProgram(p.program);
    gl.uniform1f(p.u_zoom, v.zoom);
    gl.uniform2f(p.u_pan, v.panX - v.width / 2, v.panY - v.height / 2);
    gl.uniform2f(p.u_half, v.width / 2, v.height / 2);
    gl.uniform2f(p.u_origin, originX, originY);
    gl.uniform2f(p.u_size, width, height);
  }

  drawStrip(pos, col, count) {
    const gl = this.gl, p = this.ink;
    gl.bindBuffer(gl.ARRAY_BUFFER, pos);
    gl.enableVertexAttribArray(p.a_pos);
    gl.vertexAttribPointer(p.a_pos, 2, gl.FLOAT, false, 0, 0);
    gl.bindBuffer(gl.ARRAY_BUFFER, col);
    gl.enableVertexAttribArray(p.a_colour);
    gl.vertexAttribPointer(p.a_colour, 4, gl.FLOAT, false, 0, 0);
    gl.drawArrays(gl.TRIANGLE_STRIP, 0, count);
  }

  // One frame: the page, the tiles (drawn again where dirty), then `live` (the module's
  // live(): strokes in progress here and on other boards).
  draw(live) {
    const gl = this.gl, v = this.view;
    gl.bindVertexArray(this.vao);
    gl.enable(gl.BLEND);
    gl.blendFunc(gl.ONE, gl.ONE_MINUS_SRC_ALPHA); // colours are premultiplied
    for (const t of this.tiles) {
      if (!t.dirty) continue;
      t.dirty = false;
      gl.bindFramebuffer(gl.FRAMEBUFFER, t.framebuffer);
      gl.viewport(0, 0, TILE, TILE);
      gl.clearColor(0, 0, 0, 0);
      gl.clear(gl.COLOR_BUFFER_BIT);
      this.useInk(t.x, t.y, TILE, TILE);
      for (const s of this.strokes.values()) {
        if (s.count > 0 && overlaps(t.box, s)) this.drawStrip(s.pos, s.col, s.count);
      }
    }
    gl.bindFramebuffer(gl.FRAMEBUFFER, null);
    gl.viewport(0, 0, v.width, v.height);
    gl.clearColor(0.82, 0.84, 0.86, 1);
    gl.clear(gl.COLOR_BUFFER_BIT);
    this.useInk(0, 0, v.width, v.height);
    this.drawLive([{ count: 4, vertices: new Float32Array([0, 0, 900, 0, 0, 900, 900, 900]),
      colours: new Float32Array(16).fill(1) }]);
    const tp = this.tileProgram;
    gl.useProgram(tp.program);
    gl.uniform2f(tp.u_size, TILE, TILE);
    gl.uniform2f(tp.u_screen, v.width, v.height);
    gl.bindBuffer(gl.ARRAY_BUFFER, this.quad);
    gl.enableVertexAttribArray(tp.a_corner);
    gl.vertexAttribPointer(tp.a_corner, 2, gl.FLOAT, false, 0, 0);
    gl.activeTexture(gl.TEXTURE0);
    gl.uniform1i(tp.u_tile, 0);
    for (const t of this.tiles) {
      gl.bindTexture(gl.TEXTURE_2D, t.texture);
      gl.uniform2f(tp.u_origin, t.x, t.y);
      gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
    }
    gl.disableVertexAttribArray(tp.a_corner);
    this.useInk(0, 0, v.width, v.height);
    this.drawLive(live);
  }

  drawLive(strokes) {
    const gl = this.gl;
    for (const s of strokes) {
      if (s.count <= 0) continue;
      gl.bindBuffer(gl.ARRAY_BUFFER, this.stream.pos);
      gl.bufferData(gl.ARRAY_BUFFER, s.vertices, gl.STREAM_DRAW);
      gl.bindBuffer(gl.ARRAY_BUFFER, this.stream.col);
      gl.bufferData(gl.ARRAY_BUFFER, s.colours, gl.STREAM_DRAW);
      this.drawStrip(this.stream.pos, this.stream.col, s.count);
    }
  }
}

function overlaps(a, b) {
  return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1;
}

function program(gl, vs, fs) {
  const p = gl.createProgram();
  for (const [type, text] of [[gl.VERTEX_SHADER, vs], [gl.FRAGMENT_SHADER, fs]]) {
    const s = gl.createShader(type);
    gl.shaderSource(s, text);
    gl.compileShader(s);
    if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
    gl.attachShader(p, s);
  }
  gl.linkProgram(p);
  if (!gl.getProgramParameter(p, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(p));
  const out = { program: p };
  const attributes = gl.getProgramParameter(p, gl.ACTIVE_ATTRIBUTES);
  for (let i = 0; i < attributes; i++) {
    const name = gl.getActiveAttrib(p, i).name;
    out[name] = gl.getAttribLocation(p, name);
  }
  const uniforms = gl.getProgramParameter(p, gl.ACTIVE_UNIFORMS);
  for (let i = 0; i < uniforms; i++) {
    const name = gl.getActiveUniform(p, i).name;
    out[name] = gl.getUniformLocation(p, name);
  }
  return out;
}
