// Halves "u_source" ("u_pixel" is one source texel) with a 4x4 box: each of
// the four bilinear fetches sits on a texel corner and averages 2x2 texels.
// The wide footprint keeps thin moving lines from flickering in the glow.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec4 c = texture2D(u_source, uv + u_pixel * vec2(-1.0, -1.0));
    c += texture2D(u_source, uv + u_pixel * vec2(1.0, -1.0));
    c += texture2D(u_source, uv + u_pixel * vec2(-1.0, 1.0));
    c += texture2D(u_source, uv + u_pixel * vec2(1.0, 1.0));
    gl_FragColor = c * 0.25;
}
