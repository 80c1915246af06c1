// Full-screen rings in "u_col" that run outward from the centre and pulse
// with "u_time" (row / 64: one ring and one pulse per beat of 10 rows).
//
// The picture is always shown at 16:9 (the frame letterboxes the scene), so
// the rings are made round for that shape; "u_aspect" (window height over
// width) describes the window, not the shown picture, and is not needed.
// Ring edges are anti-aliased by their screen-space derivative. Alpha
// carries the ring so the alpha blend modes work too.
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

const float shownAspect = 16.0 / 9.0;
const float beatsPerTime = 6.4;
const float ringsPerUnit = 5.0;
const float tau = 6.2831853;

void main() {
    vec2 p = (v_uv - 0.5) * vec2(shownAspect, 1.0);
    float d = length(p);
    float beat = u_time * beatsPerTime;
    float wave = cos(tau * (d * ringsPerUnit - beat));
    float edge = fwidth(wave);
    float ring = smoothstep(0.55 - edge, 0.55 + edge, wave);
    // A pulse on every beat, strongest right on it.
    float pulse = 0.55 + 0.45 * pow(0.5 + 0.5 * cos(tau * beat), 4.0);
    float fade = 1.0 - smoothstep(0.35, 1.05, d);
    float v = ring * pulse * fade;
    gl_FragColor = vec4(u_col * v, v);
}
