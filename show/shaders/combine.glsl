// The window picture: the scene ("u_source1") brightened by its glow.
//
// The glow is the two rotating half-size blurs ("u_source2", "u_source3")
// and the wide quarter-size blur ("u_source4"), scaled by "u_glowbr". It is
// compressed with 1 - exp(-g) and laid on like light on a screen,
// scene + (1 - scene) * glow: the scene itself passes unchanged, the glow
// never exceeds the headroom left above it, and nothing clips to flat white
// unless the scene already is white.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source1;
uniform sampler2D u_source2;
uniform sampler2D u_source3;
uniform sampler2D u_source4;
uniform float u_glowbr;
void main() {
    vec2 uv = gl_TexCoord[0].xy;
    vec3 scene = clamp(texture2D(u_source1, uv).rgb, 0.0, 1.0);
    vec3 streaks = texture2D(u_source2, uv).rgb + texture2D(u_source3, uv).rgb;
    vec3 wide = texture2D(u_source4, uv).rgb;
    vec3 glow = max((0.5 * streaks + wide) * u_glowbr, 0.0);
    vec3 light = 1.0 - exp(-glow);
    gl_FragColor = vec4(scene + (1.0 - scene) * light, 1.0);
}
