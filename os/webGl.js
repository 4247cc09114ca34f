// The OpenGL 1.1 calls the demo makes that Emscripten's emulation of it over WebGL lacks or
// only complains about, linked into the web build (--js-library) in their place.
mergeInto(LibraryManager.library, {
  // WebGL shades smoothly, the one model the demo asks for, and knows none of the fixed
  // pipeline's quality hints (it interpolates in perspective and draws no smoothed points).
  glShadeModel: function(mode) {},
  glHint: function(target, mode) {
    if (target != 0x0C50 /* GL_PERSPECTIVE_CORRECTION_HINT */ && target != 0x0C51 /* GL_POINT_SMOOTH_HINT */)
      GLctx.hint(target, mode);
  },

  // The emulation keeps texture coordinates as plain numbers, from whichever form of the call.
  glTexCoord2d__deps: ['glTexCoord2i'],
  glTexCoord2d: function(s, t) { _glTexCoord2i(s, t); },

  // WebGL has no GL_BGR source format and no number-of-components internal formats: the rows
  // are handed over as RGB, channels swapped in a copy, with the same unpack alignment.
  glTexImage2D__deps: ['$emscriptenWebGLGetTexPixelData'],
  glTexImage2D: function(target, level, internalFormat, width, height, border, format, type, pixels) {
    var rgb = 0x1907, bgr = 0x80E0;
    if (internalFormat == 3) internalFormat = rgb;
    if (internalFormat == 4) internalFormat = 0x1908; // GL_RGBA
    var data = pixels ? emscriptenWebGLGetTexPixelData(type, format == bgr ? rgb : format, width, height, pixels, internalFormat) : null;
    if (data && format == bgr) {
      data = data.slice();
      var stride = Math.ceil(width * 3 / GL.unpackAlignment) * GL.unpackAlignment;
      for (var row = 0; row < height; ++row) {
        for (var at = row * stride, end = at + width * 3; at < end; at += 3) {
          var blue = data[at];
          data[at] = data[at + 2];
          data[at + 2] = blue;
        }
      }
    }
    if (format == bgr) format = rgb;
    GLctx.texImage2D(target, level, internalFormat, width, height, border, format, type, data);
  },
});
