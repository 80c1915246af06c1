// Box-filtered downsample of "u_source" (four taps one texel apart).
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
    vec4 c = texture2D(u_source, uv + u_pixel * vec2(-0.5, -0.5));
    c += texture2D(u_source, uv + u_pixel * vec2(0.5, -0.5));
    c += texture2D(u_source, uv + u_pixel * vec2(-0.5, 0.5));
    c += texture2D(u_source, uv + u_pixel * vec2(0.5, 0.5));
    gl_FragColor = c * 0.25;
}
