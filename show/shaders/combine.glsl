// The scene plus its three blurred copies, scaled by "u_glowbr".
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
    vec3 scene = texture2D(u_source1, uv).rgb;
    vec3 glow = texture2D(u_source2, uv).rgb + texture2D(u_source3, uv).rgb + texture2D(u_source4, uv).rgb;
    vec3 c = scene + glow * u_glowbr / 3.0;
    gl_FragColor = vec4(c / (1.0 + max(c - 1.0, 0.0)), 1.0);
}
