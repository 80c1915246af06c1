// Full-screen concentric circles that pulse with "u_time".
#version 120
varying vec2 v_uv;
void main() {
    v_uv = gl_MultiTexCoord0.xy;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform float u_time;
uniform float u_aspect;
uniform vec3 u_col;
varying vec2 v_uv;
void main() {
    vec2 p = (v_uv - 0.5) * vec2(u_aspect, 1.0);
    float d = length(p);
    float ring = 0.5 + 0.5 * sin(d * 40.0 - u_time * 6.0);
    gl_FragColor = vec4(u_col * ring, 1.0);
}
