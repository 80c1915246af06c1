// Soft directional blur of "u_source" along "u_pixel" (one texel step along
// the blur direction), reaching "u_radius" texels each way.
//
// The kernel is the biweight (1 - (x/R)^2)^2, which falls smoothly to zero
// at the reach R. Its taps at -(R-1) .. R-1 are taken two at a time: one
// bilinear fetch placed between two neighbouring texels, at the weighted
// mean of their offsets, returns their weighted sum, so R fetches cover the
// 2R - 1 texels of the reach.
#version 120
void main() {
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = gl_Vertex;
}
//____FRAGMENT_SHADER____
#version 120
uniform sampler2D u_source;
uniform vec2 u_pixel;
uniform int u_radius;

float weight(float x, float inverseRadius) {
    float q = x * inverseRadius;
    float w = max(1.0 - q * q, 0.0);
    return w * w;
}

void main() {
    vec2 uv = gl_TexCoord[0].xy;
    if (u_radius < 1) {
        gl_FragColor = texture2D(u_source, uv);
        return;
    }
    float inverseRadius = 1.0 / float(u_radius);
    vec4 sum = vec4(0.0);
    float total = 0.0;
    for (int i = 1 - u_radius; i < u_radius; i += 2) {
        float a = float(i);
        float wa = weight(a, inverseRadius);
        float wb = weight(a + 1.0, inverseRadius);
        float w = wa + wb;
        float offset = a + wb / w;
        sum += w * texture2D(u_source, uv + u_pixel * offset);
        total += w;
    }
    gl_FragColor = sum / total;
}
